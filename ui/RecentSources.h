// The sources the source field offers again: the last ten, latest first.
#pragma once

#include <vector>

#include "platform/core/CString.h"

inline constexpr size_t kRecentSources = 10;

// list with path first, once, and at most kRecentSources entries; an empty path changes
// nothing.
std::vector<CString> WithRecentSource(std::vector<CString> list, const CString& path);
