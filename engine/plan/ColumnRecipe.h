// What the user asks of the columns: which are written, in which order, under which names,
// as which type, and what an empty value becomes. Columns are named as the output would
// name them without a recipe, so a header's second "a" is "a_2". The recipe is resolved
// against a source's header by CColumnPlan (PlannedColumns.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class ColumnType : std::uint8_t {
  Text,
  // The narrowest of the types below that holds every non-empty value of the source's
  // start, else Text.
  Automatic,
  Integer,
  Number,
  Decimal,
  Boolean,
  Date,
};

enum class EmptyValue : std::uint8_t { Text, Null, Omit };

// The names recipes and the command line use ("integer", "null"); none for another text.
std::optional<ColumnType> ColumnTypeNamed(std::string_view name);
std::optional<EmptyValue> EmptyValueNamed(std::string_view name);
std::string_view TypeName(ColumnType type);
std::string_view EmptyValueName(EmptyValue empty);
// Every type's name, for messages: "text, automatic, integer, ...".
std::string TypeNames();

// One column's choices; what is not given follows the recipe's defaults.
struct ColumnChoice {
  std::string name;  // UTF-8
  std::optional<std::string> as;
  std::optional<ColumnType> type;
  std::optional<EmptyValue> empty;
  bool keep = true;
};

struct ColumnRecipe {
  // Only the listed columns are written, in the list's order; else every column in the
  // header's order, the list changing those it names.
  bool listed = false;
  std::vector<ColumnChoice> columns;
  // Changes to columns by name on top of the list (a new name, a type, an empty value);
  // their keep is not looked at.
  std::vector<ColumnChoice> changes;
  // For the columns given none.
  ColumnType type = ColumnType::Text;
  EmptyValue empty = EmptyValue::Text;
  // Dotted names make nested objects: a.b and a.c become {"a": {"b": .., "c": ..}}.
  bool nest = false;
};

// Reads a recipe file: a JSON list of objects with "name" and optionally "as", "type",
// "empty" and "keep" (true or false). Returns the columns in the file's order, or sets
// error to why the file can't be read or used ("entry 2: ...") and returns none.
std::vector<ColumnChoice> ReadRecipeFile(const std::string& path, std::string& error);
