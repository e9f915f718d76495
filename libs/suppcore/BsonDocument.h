// Typed values and nested rows put into a libbson document, for the encoders that let
// libbson make their bytes.
#pragma once

#include <bson/bson.h>

#include <string_view>

#include "libs/suppcore/ObjectShape.h"
#include "libs/suppcore/ValueType.h"

// A key ends at the name's first NUL, which a BSON key cannot hold.
inline std::string_view BsonKeyText(std::string_view name) {
  return name.substr(0, name.find('\0'));
}

// Appends value as cell says (nothing for kAbsent); false when the document can't grow.
bool AppendBsonCell(bson_t* bson, std::string_view key, std::string_view value,
                    const TypedValue& cell);

// Makes bson the row's document, its members nested as shape says; throws
// CDocumentTooLarge when it passes what a BSON document may hold.
void MakeNestedBson(bson_t* bson, const ObjectShape& shape, const std::string_view* values,
                    const TypedValue* cells);
