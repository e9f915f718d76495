// The few Windows type names the system's code is written with, mapped to Linux.
// Text is UTF-16 (char16_t); wchar_t is 32-bit here and is never used for text.
#pragma once

#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using LONG = long;
using WCHAR = char16_t;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Buffer length the system passes for paths and temporary names.
constexpr DWORD MAX_PATH = 260;
