#include "libs/suppcore/MailtoUrl.h"

#include <glib.h>

CString MailtoUrl(const CString& address) {
  // Besides letters, digits and "-._~", the characters RFC 6068 lets an address keep;
  // "," is encoded too, as it would separate two addresses.
  constexpr const char* kKept = "!$'()*+:@";
  gchar* escaped = g_uri_escape_string(address.ToUtf8().c_str(), kKept, FALSE);
  CString url = CString(u"mailto:") + CString::FromUtf8(escaped);
  g_free(escaped);
  return url;
}
