#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/core/CString.h"
#include "platform/core/Formatted.h"

namespace {

// utf8 and utf16 are the same text (a byte that is not UTF-8 is U+DC80..U+DCFF); a row
// that only encodes (any other lone surrogate becomes U+FFFD) says so.
TEST(CString, ConversionKeepsEveryCharacterAndReplacesOnlyWhatIsInvalid) {
  const std::tuple<const char*, std::string, std::u16string, bool> kConversions[] = {
      {"NulKept", std::string("a\0b", 3), std::u16string(u"a\0b", 3), false},
      {"Supplementary", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z", false},
      {"HighestCodePoint", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF", false},
      {"LoneContinuation", "a\x80z", u"a\xDC80z", false},
      {"TruncatedAtEnd", "a\xE2\x82", u"a\xDCE2\xDC82", false},
      {"BrokenSequenceKeepsNext", "\xE2(\xA1", u"\xDCE2(\xDCA1", false},
      {"EncodedSurrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80", false},
      {"LowSurrogatesBesideTheEscapes", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD",
       u"\xDC00\xDC7F\xDD00", true},
      {"HighSurrogateInMiddle", "a\xEF\xBF\xBDz", u"a\xD800z", true},
      {"HighSurrogateAtEnd", "a\xEF\xBF\xBD", u"a\xDBFF", true},
      {"ReversedPair", "\xEF\xBF\xBD\xEF\xBF\xBD", u"\xDC00\xD800", true},
  };
  for (const auto& [name, utf8, utf16, encodeOnly] : kConversions) {
    if (!encodeOnly) {
      EXPECT_EQ(CString::FromUtf8(utf8).Str(), utf16) << name;
    }
    EXPECT_EQ(CString(utf16).ToUtf8(), utf8) << name;
  }
}

// Documents and the log stay valid UTF-8: there every lone surrogate is U+FFFD.
TEST(CString, TextForDocumentsReplacesWhatIsNotUtf8) {
  EXPECT_EQ(Utf16ToUtf8(u"caf\xDCE9 \xD800"), "caf\xEF\xBF\xBD \xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16("caf\xE9"), u"caf\xFFFD");
}

// A filled-in format comes back whole, however long: a fixed buffer once cut texts short.
TEST(Formatted, GivesTheWholeText) {
  const std::string name(300, 'n');
  EXPECT_EQ(Formatted("%s: %d rows", name.c_str(), 12), name + ": 12 rows");
  const CString wide = CString::FromUtf8(name);
  EXPECT_EQ(Formatted(u"%s: %d rows", wide.GetString(), 12), wide + u": 12 rows");
}

}  // namespace
