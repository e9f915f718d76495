#include "engine/plan/ColumnPlan.h"

const NameList& OutputNames(const NameList& columnNames) {
  return columnNames;
}
