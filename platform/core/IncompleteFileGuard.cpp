#include "platform/core/IncompleteFileGuard.h"

#include <unistd.h>

namespace {

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

CIncompleteFileGuard::CIncompleteFileGuard(const CString& path) : m_path(path.ToUtf8()) {
  m_existed = lstat(m_path.c_str(), &m_before) == 0;
}

CIncompleteFileGuard::~CIncompleteFileGuard() {
  if (m_keep) {
    return;
  }
  // A symbolic link is the user's own: it stays, whatever it points to.
  struct stat now {};
  if (lstat(m_path.c_str(), &now) != 0 || !S_ISREG(now.st_mode) || !WasChanged(now)) {
    return;
  }
  unlink(m_path.c_str());
}

bool CIncompleteFileGuard::WasChanged(const struct stat& now) const {
  if (!m_existed) {
    return true;
  }
  // Another file put in its place meanwhile is not ours to remove.
  if (now.st_dev != m_before.st_dev || now.st_ino != m_before.st_ino) {
    return false;
  }
  // Opening for the conversion empties the file, which marks it changed.
  return now.st_size != m_before.st_size || !SameTime(now.st_mtim, m_before.st_mtim) ||
         !SameTime(now.st_ctim, m_before.st_ctim);
}
