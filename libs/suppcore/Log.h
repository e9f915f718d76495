// CLog: the program's log, one timestamped line per entry, in
// $XDG_STATE_HOME/ostrel/corvane.log (default ~/.local/state). Directories are created
// when missing. A log that cannot be written is skipped in silence: logging never fails
// the work that logs.
#pragma once

#include "platform/core/CString.h"

class CLog {
 public:
  // Logs message, followed by the two texts and the code where they are given
  // (non-null, non-zero).
  static void Bug(LPCWSTR message, LPCWSTR detail1, LPCWSTR detail2, int code);
  // printf-style (see CString::Format): %s takes a UTF-16 text.
  static void Bug2(LPCWSTR format, ...);

  // Where the log lives.
  static CString GetLogPath();
  // Empties the log.
  static void Truncate();
};
