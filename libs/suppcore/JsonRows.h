// Reads the rows of a JSON document written by the JSON class: one array of flat objects.
#pragma once

#include <istream>
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

// The rows as far as a table of at most maxColumns columns shows them. The first object's
// names are the columns: its first maxColumns are kept, the rest only counted. Of every
// object only the members that those columns can show are kept: the first n members of a
// name that n of the kept columns bear, in their order. A file of millions of members
// costs no more than the table.
struct JsonRowTable {
  std::vector<std::string> columns;
  std::size_t columnCount = 0;  // the first object's members
  std::vector<JsonRowObject> objects;
};

// Parses in (UTF-8) holding one array of objects whose member values are scalars. Returns
// false with the reason in error when the text is not JSON or not of that shape; table
// then holds what was read before the fault. What the stream throws passes through.
bool ParseJsonRows(std::istream& in, std::size_t maxColumns, JsonRowTable& table,
                   std::string& error);
