// The plan says which of the header's columns a row's object carries, and under which
// names. Every column is kept, in the header's order, under its name as the header holds
// it; choosing, renaming and typing columns are decided here too.
#pragma once

#include <string_view>
#include <vector>

#include "engine/rows/FieldList.h"

// The member names of each row's object, one for each column of the header: views of
// columnNames, which must outlive them.
std::vector<std::u16string_view> OutputNames(const FieldList& columnNames);
