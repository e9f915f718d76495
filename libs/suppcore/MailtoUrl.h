// A mail address as a mailto: link (RFC 6068), for the desktop's mail program.
#pragma once

#include "platform/core/CString.h"

// "mailto:" and the address with every character that could end it, split it into two
// addresses or start header fields percent-encoded (non-ASCII as UTF-8); an ordinary
// address stays as it is written.
CString MailtoUrl(const CString& address);
