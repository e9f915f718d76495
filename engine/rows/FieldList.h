// FieldList: the ordered texts of one line, the column names or one row's values.
#pragma once

#include <string>
#include <vector>

using FieldList = std::vector<std::u16string>;
