// CIncompleteFileGuard: when a conversion is ended by an exception (a full disk), the file
// it was writing is incomplete and must not pose as a result. The guard notes what the
// path named before the conversion; if the scope is left without Keep, it removes the
// file, provided it is a regular file that the conversion created or changed. A file the
// conversion never reached (the source failed first), a device, a directory and a
// symbolic link stay.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/core/CString.h"

class CIncompleteFileGuard {
 public:
  explicit CIncompleteFileGuard(const CString& path);
  ~CIncompleteFileGuard();
  CIncompleteFileGuard(const CIncompleteFileGuard&) = delete;
  CIncompleteFileGuard& operator=(const CIncompleteFileGuard&) = delete;

  // The work finished: the file stays whatever it holds.
  void Keep() { m_keep = true; }

 private:
  bool WasChanged(const struct stat& now) const;

  std::string m_path;
  bool m_existed = false;
  struct stat m_before {};
  bool m_keep = false;
};
