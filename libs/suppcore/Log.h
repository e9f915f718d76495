// CLog: the program's log, one timestamped line per entry, in
// $XDG_STATE_HOME/ostrel/corvane.log (default ~/.local/state). Directories are created
// when missing. Only a regular file of the user is written: a symbolic link, a FIFO or a
// device at the log's place is left untouched, and a log that cannot be written is skipped
// in silence: logging never fails the work that logs. Past 1 MiB the log becomes
// corvane.log.1 (replacing the older one) and a new log starts.
#pragma once

#include <string>

#include "platform/core/CString.h"

class CLog {
 public:
  // Logs message, followed by the two texts and the code where they are given
  // (non-null, non-zero).
  static void Bug(LPCWSTR message, LPCWSTR detail1, LPCWSTR detail2, int code);
  // printf-style (see CString::Format): %s takes a UTF-16 text.
  static void Bug2(LPCWSTR format, ...);
  // Logs text; false when the log could not be written, so that a caller can stop
  // pointing to it.
  static bool Entry(const CString& text);

  // Where the log lives.
  static CString GetLogPath();
  // Opens path, the log or its older one (flags as open(2)), only when it is a regular file
  // of the user, never following a link at its place nor waiting for a FIFO; the descriptor
  // is close-on-exec. -1 otherwise.
  static int OpenChecked(const std::string& path, int flags);
  // Empties the log and removes the older one.
  static void Truncate();
};
