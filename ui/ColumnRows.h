// The rows of the Columns dialog and the recipe they stand for. A row is a column's every
// choice made explicit; the window keeps a recipe, which stays the default one (every
// column as the output names it, in the header's order, of the default type) while the
// rows choose nothing else, so that "Typed values" keeps its meaning for such a source.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/plan/ColumnRecipe.h"
#include "platform/core/CString.h"

// One row of the dialog, in the output's order.
struct ColumnRow {
  std::string name;  // as the output names the column without a recipe
  std::string as;
  ColumnType type = ColumnType::Text;
  EmptyValue empty = EmptyValue::Text;
  bool keep = true;
  bool operator==(const ColumnRow&) const = default;
};

// The rows of a header's names under a recipe: the listed columns first, in the list's
// order, then the others, left out (a listed recipe) or kept (otherwise), in the header's
// order. A column the recipe names that the header lacks is added to missing (may be null).
std::vector<ColumnRow> RowsOfRecipe(const std::vector<std::string>& names,
                                    const ColumnRecipe& recipe, ColumnType defaultType,
                                    std::vector<std::string>* missing = nullptr);
// The recipe of rows: the default one when they change nothing of names, else the list of
// every row, a row of defaultType given no type of its own.
ColumnRecipe RecipeOfRows(const std::vector<std::string>& names, const std::vector<ColumnRow>& rows,
                          ColumnType defaultType);

// Every choice of rows made explicit, for a recipe file that reads the same anywhere.
std::vector<ColumnChoice> ChoicesOfRows(const std::vector<ColumnRow>& rows);
// The recipe file's text: a JSON list of {"name", "as", "type", "empty", "keep"}, each
// choice with what it gives.
std::string RecipeText(const std::vector<ColumnChoice>& columns);

// What the dialog's lists show: "Integer" for a type, "Null" for an empty value.
CString TypeLabel(ColumnType type);
CString EmptyLabel(EmptyValue empty);
const std::vector<CString>& TypeLabels();
const std::vector<CString>& EmptyLabels();
// The type or empty value of a list's label; the first for any other text.
ColumnType TypeOfLabel(const CString& label);
EmptyValue EmptyOfLabel(const CString& label);

// Writes the columns as a recipe file at path, replacing a former file whole or leaving it as it
// was; empty, or the reason it could not be written.
CString WriteRecipeFile(const CString& path, const std::vector<ColumnChoice>& columns);
