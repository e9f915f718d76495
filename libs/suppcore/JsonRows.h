// Reads the rows of a JSON document written by the JSON class: one array of flat objects.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A member's value: a string as it is, any other scalar as its JSON text (true, 12.50,
// null), with what it was.
struct JsonScalar {
  enum class Kind { kString, kNumber, kBoolean, kNull };
  std::string text;
  Kind kind = Kind::kString;
};

// One object's members, names and values in the order of the file. Duplicate names are
// kept as they come.
using JsonRowObject = std::vector<std::pair<std::string, JsonScalar>>;

// Parses text (UTF-8) holding one array of objects whose member values are scalars.
// Returns false with the reason in error when the text is not JSON or not of that shape;
// objects then holds what was read before the fault.
bool ParseJsonRows(std::string_view text, std::vector<JsonRowObject>& objects, std::string& error);
