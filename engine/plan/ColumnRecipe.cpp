#include "engine/plan/ColumnRecipe.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

namespace {

constexpr std::array<std::string_view, 7> kTypeNames = {"text",    "automatic", "integer", "number",
                                                        "decimal", "boolean",   "date"};
constexpr std::array<std::string_view, 3> kEmptyNames = {"text", "null", "omit"};

// What a recipe entry is wrong in, with where.
struct EntryError {
  std::string text;
};

std::string StringField(const nlohmann::json& entry, const char* key) {
  const nlohmann::json& value = entry.at(key);
  if (!value.is_string())
    throw EntryError{std::string("\"") + key + "\" must be a text"};
  return value.get<std::string>();
}

ColumnChoice ChoiceOf(const nlohmann::json& entry) {
  if (!entry.is_object())
    throw EntryError{"must be an object such as {\"name\": \"zip\", \"type\": \"text\"}"};
  for (const auto& [key, value] : entry.items())
    if (key != "name" && key != "as" && key != "type" && key != "empty" && key != "keep")
      throw EntryError{"unknown field \"" + key + "\" (known: name, as, type, empty, keep)"};
  if (!entry.contains("name"))
    throw EntryError{"has no \"name\""};
  ColumnChoice choice;
  choice.name = StringField(entry, "name");
  if (entry.contains("as"))
    choice.as = StringField(entry, "as");
  if (entry.contains("type")) {
    choice.type = ColumnTypeNamed(StringField(entry, "type"));
    if (!choice.type)
      throw EntryError{"\"type\" must be one of " + TypeNames()};
  }
  if (entry.contains("empty")) {
    choice.empty = EmptyValueNamed(StringField(entry, "empty"));
    if (!choice.empty)
      throw EntryError{"\"empty\" must be one of text, null, omit"};
  }
  if (entry.contains("keep")) {
    if (!entry.at("keep").is_boolean())
      throw EntryError{"\"keep\" must be true or false"};
    choice.keep = entry.at("keep").get<bool>();
  }
  return choice;
}

// The parser's message without its own prefix ("[json.exception.parse_error.101] ").
std::string ParseReason(const char* what) {
  const char* text = std::strstr(what, "] ");
  return std::string("not JSON: ") + (text ? text + 2 : what);
}

}  // namespace

std::optional<ColumnType> ColumnTypeNamed(std::string_view name) {
  for (std::size_t k = 0; k < kTypeNames.size(); ++k)
    if (kTypeNames[k] == name)
      return static_cast<ColumnType>(k);
  return std::nullopt;
}

std::optional<EmptyValue> EmptyValueNamed(std::string_view name) {
  for (std::size_t k = 0; k < kEmptyNames.size(); ++k)
    if (kEmptyNames[k] == name)
      return static_cast<EmptyValue>(k);
  return std::nullopt;
}

std::string_view EmptyValueName(EmptyValue empty) {
  return kEmptyNames[static_cast<std::size_t>(empty)];
}

std::string_view TypeName(ColumnType type) {
  return kTypeNames[static_cast<std::size_t>(type)];
}

std::string TypeNames() {
  std::string names;
  for (const std::string_view name : kTypeNames)
    names.append(names.empty() ? "" : ", ").append(name);
  return names;
}

std::vector<ColumnChoice> ReadRecipeFile(const std::string& path, std::string& error) {
  // Read through stdio, which reports a folder (EISDIR) as a stream would not.
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return {};
  }
  std::string text;
  char block[65536];
  std::size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0)
    text.append(block, got);
  const int readError = std::ferror(file) ? errno : 0;
  std::fclose(file);
  if (readError != 0) {
    error = std::strerror(readError);
    return {};
  }
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& parseError) {
    error = ParseReason(parseError.what());
    return {};
  }
  if (!document.is_array()) {
    error = "must hold a list of columns: [{\"name\": \"zip\", \"type\": \"text\"}, ...]";
    return {};
  }
  std::vector<ColumnChoice> columns;
  for (std::size_t k = 0; k < document.size(); ++k) {
    try {
      columns.push_back(ChoiceOf(document[k]));
    } catch (const EntryError& entryError) {
      error = "entry " + std::to_string(k + 1) + ": " + entryError.text;
      return {};
    }
  }
  return columns;
}
