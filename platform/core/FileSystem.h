// The runtime's file-name functions, taking UTF-16 paths (converted to UTF-8 here).
#pragma once

#include "platform/core/Types.h"

// 0 when something of that name exists (mode 0) or is accessible in the given mode
// (2 write, 4 read, 6 both); -1 otherwise.
int _waccess(LPCWSTR path, int mode);
// 0 when the file was removed; -1 otherwise.
int _wunlink(LPCWSTR path);
// Non-zero when the file was removed.
BOOL DeleteFileW(LPCWSTR path);

// Fills buffer with this process's private temporary directory, ending in '/': mode 0700,
// a random name "corvane-preview-XXXXXX" under $XDG_RUNTIME_DIR when it is the user's own
// writable 0700 folder, else $TMPDIR when it is a writable folder, else /tmp,
// made at the first call (and again when it was removed), and marked as the program's.
// Making it removes the user's directories of that name form left there by runs that have
// ended: only marked ones holding nothing but the program's own files. Returns the length
// written, the length needed (including the terminator) when the buffer is too small, or 0
// on failure.
DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer);
// Removes the private temporary directory dir (as GetTempPathW gave it) when it holds
// nothing but its mark. Non-zero when it was removed.
BOOL RemoveTempPath(LPCWSTR dir);
// Creates "<path>js<hex>.tmp" exclusively (prefix: up to three characters of prefix) and
// writes its name, at most MAX_PATH units with the terminator, to tempFileName.
// unique 0 picks a fresh number and creates the file; a non-zero number only forms the
// name. Returns the number used, 0 on failure.
UINT GetTempFileNameW(LPCWSTR pathName, LPCWSTR prefix, UINT unique, LPWSTR tempFileName);
