// Reads a conversion's output back as rows of (name, value) pairs in document order,
// duplicates included, so that tests compare what a consumer of the file would see.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace outputrows {

using Pair = std::pair<std::string, std::string>;  // UTF-8 name and value
using Row = std::vector<Pair>;
using Rows = std::vector<Row>;

// The rows of a JSON text that is one array of objects whose members are all strings,
// parsed strictly; nothing when the text is anything else. typed: numbers and booleans
// too, and every value is then its JSON text, a string's with its quotes ("1" is not 1).
std::optional<Rows> JsonRows(const std::string& text, bool typed = false);

// The rows of JSON Lines text: each line one object whose members are all strings,
// written compactly ({"a":"1","b":"2"}, no spaces) and ended by a line feed; no rows are
// an empty text. Nothing when the text is anything else.
std::optional<Rows> JsonLinesRows(const std::string& text, bool typed = false);

// The rows of BSON documents stored one after another, each holding only valid UTF-8
// string elements (typed: numbers and booleans too); nothing when the bytes are anything else.
std::optional<Rows> BsonRows(const std::string& bytes, bool typed = false);

}  // namespace outputrows
