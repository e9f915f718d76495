#include "ui/ColumnRows.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>

#include "platform/core/AtomicOutput.h"

namespace {

constexpr std::array<const char16_t*, 3> kEmptyLabels = {u"Empty text", u"Null", u"Leave out"};
constexpr int kTypeCount = static_cast<int>(ColumnType::Date) + 1;

ColumnRow RowOf(const std::string& name, const ColumnChoice* choice, const ColumnRecipe& recipe,
                ColumnType defaultType, bool keep) {
  ColumnRow row{name, name, recipe.type == ColumnType::Text ? defaultType : recipe.type,
                recipe.empty, keep};
  if (choice != nullptr) {
    row.as = choice->as.value_or(name);
    row.type = choice->type.value_or(row.type);
    row.empty = choice->empty.value_or(row.empty);
  }
  return row;
}

const ColumnChoice* Named(const std::vector<ColumnChoice>& choices, const std::string& name) {
  const auto found = std::find_if(choices.begin(), choices.end(),
                                  [&](const ColumnChoice& choice) { return choice.name == name; });
  return found != choices.end() ? &*found : nullptr;
}

}  // namespace

std::vector<ColumnRow> RowsOfRecipe(const std::vector<std::string>& names,
                                    const ColumnRecipe& recipe, ColumnType defaultType,
                                    std::vector<std::string>* missing) {
  std::vector<ColumnRow> rows;
  std::vector<bool> listed(names.size(), false);
  if (recipe.listed) {
    for (const ColumnChoice& choice : recipe.columns) {
      const auto at = std::find(names.begin(), names.end(), choice.name);
      if (at == names.end() || listed[at - names.begin()]) {
        if (missing != nullptr && at == names.end())
          missing->push_back(choice.name);
        continue;
      }
      listed[at - names.begin()] = true;
      rows.push_back(RowOf(choice.name, &choice, recipe, defaultType, choice.keep));
    }
  }
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (!listed[k])
      rows.push_back(
          RowOf(names[k], Named(recipe.changes, names[k]), recipe, defaultType, !recipe.listed));
  }
  return rows;
}

ColumnRecipe RecipeOfRows(const std::vector<std::string>& names, const std::vector<ColumnRow>& rows,
                          ColumnType defaultType) {
  const bool changesNothing =
      rows.size() == names.size() &&
      std::equal(rows.begin(), rows.end(), names.begin(), [&](const ColumnRow& row, auto& name) {
        return row == ColumnRow{name, name, defaultType, EmptyValue::Text, true};
      });
  ColumnRecipe recipe;
  if (changesNothing)
    return recipe;
  recipe.listed = true;
  // A column of the default type is given none, so that it follows Typed values.
  for (const ColumnRow& row : rows)
    recipe.columns.push_back(ColumnChoice{
        row.name, row.as, row.type != defaultType ? std::optional(row.type) : std::nullopt,
        row.empty, row.keep});
  return recipe;
}

std::vector<ColumnChoice> ChoicesOfRows(const std::vector<ColumnRow>& rows) {
  std::vector<ColumnChoice> columns;
  for (const ColumnRow& row : rows)
    columns.push_back(ColumnChoice{row.name, row.as, row.type, row.empty, row.keep});
  return columns;
}

std::string RecipeText(const std::vector<ColumnChoice>& columns) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const ColumnChoice& column : columns) {
    nlohmann::ordered_json entry = {{"name", column.name}};
    if (column.as)
      entry["as"] = *column.as;
    if (column.type)
      entry["type"] = TypeName(*column.type);
    if (column.empty)
      entry["empty"] = EmptyValueName(*column.empty);
    entry["keep"] = column.keep;
    list.push_back(std::move(entry));
  }
  // A name that is not UTF-8 is written with U+FFFD rather than failing the save.
  return list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

CString TypeLabel(ColumnType type) {
  const std::string_view name = TypeName(type);
  std::string label(name);
  label[0] = static_cast<char>(label[0] - 'a' + 'A');
  return CString::FromUtf8(label);
}

CString EmptyLabel(EmptyValue empty) {
  return kEmptyLabels[static_cast<std::size_t>(empty)];
}

const std::vector<CString>& TypeLabels() {
  static const std::vector<CString> labels = [] {
    std::vector<CString> all;
    for (int k = 0; k < kTypeCount; ++k)
      all.push_back(TypeLabel(static_cast<ColumnType>(k)));
    return all;
  }();
  return labels;
}

const std::vector<CString>& EmptyLabels() {
  static const std::vector<CString> labels(kEmptyLabels.begin(), kEmptyLabels.end());
  return labels;
}

ColumnType TypeOfLabel(const CString& label) {
  const std::vector<CString>& labels = TypeLabels();
  const auto at = std::find(labels.begin(), labels.end(), label);
  return at != labels.end() ? static_cast<ColumnType>(at - labels.begin()) : ColumnType::Text;
}

EmptyValue EmptyOfLabel(const CString& label) {
  const std::vector<CString>& labels = EmptyLabels();
  const auto at = std::find(labels.begin(), labels.end(), label);
  return at != labels.end() ? static_cast<EmptyValue>(at - labels.begin()) : EmptyValue::Text;
}

CString WriteRecipeFile(const CString& path, const std::vector<ColumnChoice>& columns) {
  CAtomicOutput output;
  output.AcceptRegularFilesOnly();
  CFileException error;
  if (!output.Open(path, nullptr, &error))
    return error.GetReason();
  try {
    output.File().WriteBytes(RecipeText(columns));
    output.Commit();
  } catch (const CFileException& failure) {
    return failure.GetReason();
  }
  return {};
}
