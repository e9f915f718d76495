// The columns of a source as its output would name them, read as the preview reads the
// source: with the separator, encoding and skip options of the conversion, within the
// preview's limits, so that no file can hold up the window.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/conversion/ConversionRequest.h"

// The header's names (UTF-8), a name the header holds twice renamed as the output renames
// it (name_2); none when the source can't be opened or has no header line within the limits.
std::optional<std::vector<std::string>> ReadOutputNames(const ConversionRequest& conversion);
// The same names handed to take one by one, none of them kept: a header may hold millions.
// False when there is no header to read.
bool ForEachOutputName(const ConversionRequest& conversion,
                       const std::function<void(std::string_view name)>& take);

struct PlannedOutputColumn {
  std::string name;  // UTF-8
  ColumnType type;   // as the recipe gives it: Automatic before the values decide
};

// The first columns the conversion writes (at most limit), in the output's order, under its
// recipe; none when the header can't be read or the recipe does not fit it (the conversion
// says why).
std::vector<PlannedOutputColumn> PlannedOutputColumns(const ConversionRequest& conversion,
                                                      std::size_t limit);
