#include "cli/ColumnOptions.h"

#include "cli/CliMessages.h"

namespace cli {
namespace {

// "a=b" split at its first '='; false without one or with nothing before it.
bool SplitPair(const std::string& text, std::string& name, std::string& value) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0)
    return false;
  name = text.substr(0, eq);
  value = text.substr(eq + 1);
  return true;
}

// The names of a,b,c in order; an empty name is refused.
bool SplitList(const std::string& text, std::vector<ColumnChoice>& columns) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string name = text.substr(start, comma - start);
    if (name.empty())
      return false;
    ColumnChoice& column = columns.emplace_back();
    column.name = name;
    if (comma == std::string::npos)
      return true;
    start = comma + 1;
  }
}

}  // namespace

bool TakeColumnOption(const std::string& name,
                      const std::function<std::optional<std::string>()>& takeValue,
                      ColumnOptions& columns, std::string& error) {
  ColumnRecipe& recipe = columns.recipe;
  if (name == "--nest") {
    recipe.nest = true;
    return true;
  }
  if (name != "--columns" && name != "--select" && name != "--rename" && name != "--type" &&
      name != "--empty")
    return false;
  const std::optional<std::string> value = takeValue();
  if (name == "--columns") {
    if (!value || value->empty())
      error = Text(kNeedsFile, name.c_str());
    else
      columns.recipeFile = *value;
  } else if (name == "--select") {
    columns.selected = true;
    recipe.listed = true;
    if (!value || !SplitList(*value, recipe.columns))
      error = Text(kTakesNames, name.c_str());
  } else if (name == "--empty") {
    const std::optional<EmptyValue> empty = value ? EmptyValueNamed(*value) : std::nullopt;
    if (!empty)
      error = Text(kTakesEmpty, name.c_str());
    else
      recipe.empty = *empty;
  } else {
    std::string column;
    std::string text;
    if (!value || !SplitPair(*value, column, text)) {
      error = Text(name == "--rename" ? kTakesRename : kTakesType, name.c_str());
      return true;
    }
    ColumnChoice change;
    change.name = column;
    if (name == "--rename") {
      change.as = text;
    } else if (!(change.type = ColumnTypeNamed(text))) {
      error = Text(kTakesType, name.c_str());
      return true;
    }
    recipe.changes.push_back(std::move(change));
  }
  return true;
}

std::string FinishColumnOptions(ColumnOptions& columns) {
  if (columns.recipeFile.empty())
    return {};
  if (columns.selected)
    return kColumnsOrSelect;
  std::string error;
  columns.recipe.columns = ReadRecipeFile(columns.recipeFile, error);
  if (!error.empty())
    return Text(kBadRecipe, columns.recipeFile.c_str(), error.c_str());
  columns.recipe.listed = true;
  return {};
}

}  // namespace cli
