// CColumnPlan: a recipe resolved against a source's header: which columns a row's object
// carries, in which order, under which names, and what each value is written as. A plan
// that keeps every column as the header has it, as text, is a pass-through: the rows then
// go to the writer untouched, so that no recipe costs nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/plan/ColumnRecipe.h"
#include "engine/rows/FieldList.h"
#include "libs/suppcore/ObjectShape.h"
#include "libs/suppcore/ValueType.h"

struct PlannedColumn {
  std::uint32_t source = 0;  // the header's column, from 0
  ColumnType type = ColumnType::Text;
  EmptyValue empty = EmptyValue::Text;
  // Values its type could not hold, written as text.
  std::int64_t leftAsText = 0;
};

// Why a recipe does not fit a header, in words for the user.
struct PlanMismatch {
  enum class Kind { UnknownNames, SameOutputName, NestConflict };
  Kind kind;
  std::string text;
};

class CColumnPlan {
 public:
  // names: the header's names as written without a recipe (copies renamed), which must
  // outlive the plan. Throws
  // PlanMismatch when the recipe names a column the header lacks, writes two columns
  // under one name, or nests a name under one that holds a value.
  CColumnPlan(const NameList& names, const ColumnRecipe& recipe);
  CColumnPlan(const CColumnPlan&) = delete;
  CColumnPlan& operator=(const CColumnPlan&) = delete;

  bool PassThrough() const { return m_passThrough; }
  // Some value is written as other than its text: rows go through Type.
  bool Typed() const { return m_typed; }
  // Dotted names make objects: rows are written as Shape says, values in its order.
  bool Nested() const { return m_nested; }
  const ObjectShape& Shape() const { return m_shape; }
  // Some column's type waits for the source's start: Observe its rows, then Decide.
  bool Sampling() const { return m_sampling; }

  // The member names, one for each planned column.
  const NameList& Names() const { return *m_outputNames; }
  const std::vector<PlannedColumn>& Columns() const { return m_columns; }

  // The plan's values of a row of the header's columns, in the plan's order.
  void Pick(const std::string_view* row, std::string_view* picked) const {
    for (std::size_t k = 0; k < m_columns.size(); ++k)
      picked[k] = row[m_columns[k].source];
  }
  // Notes what each Automatic column's values could be, while sampling.
  void Observe(const std::string_view* picked);
  // Gives each Automatic column the narrowest type that held every value observed.
  void Decide();
  // What each picked value is written as; a value its column's type can't hold is text,
  // and counted. The cells of columns written as text with empty values as text are left
  // as they are: a string's from the start.
  void Type(const std::string_view* picked, TypedValue* cells);
  // The writer writes typed values as their text stands (JSON): Type then sets only each
  // cell's type, not its value (but a date's).
  void SetKindsOnly(bool kindsOnly) { m_kindsOnly = kindsOnly; }

  // Values written as text because their column's type could not hold them.
  std::int64_t LeftAsText() const;

  // A copy of a plan that no longer samples, for rows typed on another thread; its values
  // left as text count from 0, and AddLeftAsText gathers them back.
  std::unique_ptr<CColumnPlan> CopyForRows() const;
  void AddLeftAsText(const CColumnPlan& copy);

 private:
  template <bool kKindsOnly>
  void TypeRow(const std::string_view* picked, TypedValue* cells);
  CColumnPlan(const CColumnPlan& decided, bool);
  void Name(const NameList& names, const ColumnRecipe& recipe);
  void FindActive();
  void Nest();

  std::vector<PlannedColumn> m_columns;
  // The columns that Type looks at: those not plain text.
  std::vector<std::uint32_t> m_active;
  // The header's names, or m_names when the recipe leaves out, moves or renames a column.
  const NameList* m_outputNames;
  NameList m_names;
  // Per column while sampling: the types that held every value so far (bits), and
  // whether it had a value at all.
  std::vector<std::uint8_t> m_fits;
  std::vector<bool> m_seen;
  ObjectShape m_shape;
  bool m_nested = false;
  bool m_kindsOnly = false;
  bool m_passThrough = true;
  bool m_typed = false;
  bool m_sampling = false;
};
