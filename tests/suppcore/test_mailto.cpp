// The support address as a mailto: link.
#include "libs/suppcore/MailtoUrl.h"

#include <gtest/gtest.h>

namespace {

// What would end the address, split it or start header fields is encoded; "+", "!" and
// "@" stay; non-ASCII goes as UTF-8.
TEST(MailtoUrlTest, EncodesWhatWouldEndOrSplitTheAddress) {
  EXPECT_EQ(MailtoUrl(u"a b%?#&=;,/\u00FC+!@x.com"),
            CString(u"mailto:a%20b%25%3F%23%26%3D%3B%2C%2F%C3%BC+!@x.com"));
}

}  // namespace
