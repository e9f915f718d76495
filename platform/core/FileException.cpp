#include <cerrno>
#include <cstring>

#include "platform/core/File.h"

namespace {

struct CauseOfError {
  int osError;
  int cause;
};

constexpr CauseOfError kCauses[] = {
    {ENOENT, CFileException::fileNotFound},
    {ENOTDIR, CFileException::badPath},
    {ENAMETOOLONG, CFileException::badPath},
    {ELOOP, CFileException::badPath},
    {EMFILE, CFileException::tooManyOpenFiles},
    {ENFILE, CFileException::tooManyOpenFiles},
    {EACCES, CFileException::accessDenied},
    {EPERM, CFileException::accessDenied},
    {EROFS, CFileException::accessDenied},
    {EISDIR, CFileException::accessDenied},
    {EEXIST, CFileException::accessDenied},
    {EBADF, CFileException::invalidFile},
    {ENOTEMPTY, CFileException::removeCurrentDir},
    {ESPIPE, CFileException::badSeek},
    {EOVERFLOW, CFileException::badSeek},
    {EIO, CFileException::hardIO},
    {EBUSY, CFileException::sharingViolation},
    {ETXTBSY, CFileException::sharingViolation},
    {EAGAIN, CFileException::sharingViolation},
    {ENOLCK, CFileException::lockViolation},
    {EDEADLK, CFileException::lockViolation},
    {ENOSPC, CFileException::diskFull},
    {EDQUOT, CFileException::diskFull},
    {EFBIG, CFileException::diskFull},
};

// strerror_r comes in two shapes (XSI returns int, GNU returns the text); this picks the
// text from either without depending on feature macros.
[[maybe_unused]] const char* ErrorText(int /*xsiResult*/, const char* buffer) {
  return buffer;
}
[[maybe_unused]] const char* ErrorText(const char* gnuResult, const char* /*buffer*/) {
  return gnuResult;
}

std::string DescribeError(long osError) {
  char buffer[256] = "";
  return ErrorText(strerror_r(static_cast<int>(osError), buffer, sizeof buffer), buffer);
}

}  // namespace

CFileException::CFileException(int cause, long osError, const CString& fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {
  m_what = GetErrorMessage().ToUtf8();
}

CFileException::CFileException(int cause, const CString& fileName, const CString& reason)
    : m_cause(cause), m_strFileName(fileName), m_strReason(reason) {
  m_what = GetErrorMessage().ToUtf8();
}

CString CFileException::GetErrorMessage() const {
  CString text = m_strFileName;
  if (!text.IsEmpty())
    text += u": ";
  return text + GetReason();
}

CString CFileException::GetReason() const {
  if (m_lOsError != 0)
    return CString::FromUtf8(DescribeError(m_lOsError));
  return m_strReason.IsEmpty() ? CString(u"File error") : m_strReason;
}

int CFileException::OsErrorToCause(long osError) {
  if (osError == 0)
    return none;
  for (const CauseOfError& entry : kCauses) {
    if (entry.osError == osError)
      return entry.cause;
  }
  return genericException;
}
