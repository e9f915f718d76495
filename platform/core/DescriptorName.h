// Names that stand for a descriptor the process already has: /dev/stdin, /dev/stdout,
// /dev/stderr, /dev/fd/N and /proc/self/fd/N. Opening such a name anew would start a
// second file description: a file that the shell opened with '>>' would be written from
// its start, and a regular file behind it could be replaced by another one. Duplicating
// the descriptor shares the shell's position and mode instead.
#pragma once

#include <string_view>

// The descriptor number the path names, or -1 for an ordinary path.
int DescriptorNamed(std::string_view path);
