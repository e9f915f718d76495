// FieldList: the ordered texts of one line, one row's values. NameList: the same for a
// header, held compactly.
#pragma once

#include <string>
#include <vector>

#include "platform/core/PackedTexts.h"

using FieldList = std::vector<std::u16string>;

// The texts of a header in UTF-8, as the line holds them, in about their own size: a
// header may hold millions of names, most of them empty.
using NameList = PackedTexts<char>;
