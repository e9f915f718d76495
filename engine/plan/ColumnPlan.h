// The plan says which of the header's columns a row's object carries, and under which
// names. Every column is kept, in the header's order, under its name as the header holds
// it; choosing, renaming and typing columns are decided here too.
#pragma once

#include "engine/rows/FieldList.h"

// The member names of each row's object, one for each column of the header. While every
// column keeps its name they are the header's names themselves: a copy would cost as much
// again on a header of millions of columns.
const NameList& OutputNames(const NameList& columnNames);
