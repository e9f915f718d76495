#include "engine/plan/ColumnPlan.h"

std::vector<std::u16string_view> OutputNames(const FieldList& columnNames) {
  return std::vector<std::u16string_view>(columnNames.begin(), columnNames.end());
}
