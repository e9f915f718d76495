#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/core/CString.h"

namespace {

// Failure messages name the table row instead of dumping its bytes.
template <typename Row>
auto operator<<(std::ostream& out, const Row& row) -> decltype(row.name, out) {
  return out << row.name;
}

struct Utf8Case {
  const char* name;
  std::string utf8;
  std::u16string utf16;
};

class Utf8RoundTrip : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8RoundTrip, DecodesAndEncodesBack) {
  const Utf8Case& c = GetParam();
  EXPECT_EQ(CString::FromUtf8(c.utf8).Str(), c.utf16);
  EXPECT_EQ(CString(c.utf16).ToUtf8(), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Utf8RoundTrip,
    ::testing::Values(Utf8Case{"Empty", "", u""}, Utf8Case{"Ascii", "a,b\tc", u"a,b\tc"},
                      Utf8Case{"TwoBytes", "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
                      Utf8Case{"ThreeBytes", "\xE2\x82\xAC", u"\u20AC"},
                      Utf8Case{"Supplementary", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"},
                      Utf8Case{"HighestCodePoint", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
                      Utf8Case{"NulKept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)}),
    [](const auto& info) { return info.param.name; });

struct InvalidUtf8Case {
  const char* name;
  std::string utf8;
  std::u16string expected;
};

class InvalidUtf8 : public ::testing::TestWithParam<InvalidUtf8Case> {};

TEST_P(InvalidUtf8, BecomesReplacementCharacters) {
  EXPECT_EQ(CString::FromUtf8(GetParam().utf8).Str(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, InvalidUtf8,
    ::testing::Values(InvalidUtf8Case{"LoneContinuation", "a\x80z", u"a\xFFFDz"},
                      InvalidUtf8Case{"Latin1Byte", "caf\xE9", u"caf\xFFFD"},
                      InvalidUtf8Case{"TruncatedAtEnd", "a\xE2\x82", u"a\xFFFD\xFFFD"},
                      InvalidUtf8Case{"BrokenSequence", "\xE2(\xA1", u"\xFFFD(\xFFFD"},
                      InvalidUtf8Case{"Overlong", "\xC0\xAF", u"\xFFFD\xFFFD"},
                      InvalidUtf8Case{"EncodedSurrogate", "\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},
                      InvalidUtf8Case{"BeyondUnicode", "\xF4\x90\x80\x80",
                                      u"\xFFFD\xFFFD\xFFFD\xFFFD"},
                      InvalidUtf8Case{"ByteFF", "\xFF", u"\xFFFD"}),
    [](const auto& info) { return info.param.name; });

struct LoneSurrogateCase {
  const char* name;
  std::u16string utf16;
  std::string expected;
};

class LoneSurrogate : public ::testing::TestWithParam<LoneSurrogateCase> {};

TEST_P(LoneSurrogate, EncodesAsReplacementCharacter) {
  EXPECT_EQ(CString(GetParam().utf16).ToUtf8(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Units, LoneSurrogate,
    ::testing::Values(LoneSurrogateCase{"HighInMiddle", u"a\xD800z", "a\xEF\xBF\xBDz"},
                      LoneSurrogateCase{"HighAtEnd", u"a\xDBFF", "a\xEF\xBF\xBD"},
                      LoneSurrogateCase{"LowAlone", u"\xDC00", "\xEF\xBF\xBD"},
                      LoneSurrogateCase{"ReversedPair", u"\xDC00\xD800",
                                        "\xEF\xBF\xBD\xEF\xBF\xBD"}),
    [](const auto& info) { return info.param.name; });

CString Formatted(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  CString text;
  text.FormatV(format, args);
  va_end(args);
  return text;
}

TEST(CStringFormat, ConversionsProduceExactText) {
  EXPECT_EQ(Formatted(u"%d rows has been converted", 1234), u"1234 rows has been converted");
  EXPECT_EQ(Formatted(u"Could not open '%s' for read.", u"/d\u00E9j\u00E0/\xD83D\xDE00.csv"),
            u"Could not open '/d\u00E9j\u00E0/\xD83D\xDE00.csv' for read.");
  EXPECT_EQ(Formatted(u"100%% of %i", -7), u"100% of -7");
  EXPECT_EQ(Formatted(u"[%s]", static_cast<const char16_t*>(nullptr)), u"[(null)]");
  EXPECT_EQ(Formatted(u"%05d|%5d|%x|%X|%u", -42, 42, 255u, 255u, 4000000000u),
            u"-0042|   42|ff|FF|4000000000");
  EXPECT_EQ(Formatted(u"%lld %ld", -9000000000LL, 7L), u"-9000000000 7");
  EXPECT_EQ(Formatted(u"%c%c", static_cast<int>(u'\u00E9'), static_cast<int>(u'x')), u"\u00E9x");
  EXPECT_EQ(Formatted(u"%q stays, so does a trailing %"), u"%q stays, so does a trailing %");
}

struct TrimCase {
  const char* name;
  std::u16string input;
  std::u16string expected;
};

class TrimQuotes : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimQuotes, StripsOnlyOuterDoubleQuotes) {
  CString text(GetParam().input);
  text.Trim(u"\"");
  EXPECT_EQ(text.Str(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, TrimQuotes,
                         ::testing::Values(TrimCase{"OnePair", u"\"abc\"", u"abc"},
                                           TrimCase{"TwoPairs", u"\"\"abc\"\"", u"abc"},
                                           TrimCase{"Unbalanced", u"\"abc", u"abc"},
                                           TrimCase{"InnerQuoteStays", u"\"a\"b\"", u"a\"b"},
                                           TrimCase{"InnerOnly", u"a\"b", u"a\"b"},
                                           TrimCase{"SingleQuoteChar", u"\"", u""},
                                           TrimCase{"OnlyQuotes", u"\"\"\"", u""},
                                           TrimCase{"InnerSpacesKept", u"\" a b \"", u" a b "},
                                           TrimCase{"OuterSpacesShield", u" \"a\" ", u" \"a\" "},
                                           TrimCase{"Empty", u"", u""}),
                         [](const auto& info) { return info.param.name; });

TEST(CStringTrim, WhitespaceByDefaultAndSingleTarget) {
  CString text(u"\t a b \r\n");
  EXPECT_EQ(text.Trim(), u"a b");
  CString stars(u"**x*y**");
  EXPECT_EQ(stars.Trim(u'*'), u"x*y");
}

TEST(CStringCompare, IsExactOnUnits) {
  EXPECT_EQ(CString(u"BSON"), u"BSON");
  EXPECT_FALSE(CString(u"BSON") == u"bson");
  EXPECT_FALSE(CString(u"Custom") == u"Custom ");
  EXPECT_FALSE(CString(u"\u00E9") == u"e\u0301");  // no normalisation
  EXPECT_EQ(CString(nullptr), u"");
  EXPECT_LT(CString(u"<tab>").Compare(u"Custom"), 0);
  EXPECT_GT(CString(u"b").Compare(u"a"), 0);
  EXPECT_EQ(CString(u"x").Compare(u"x"), 0);
  EXPECT_TRUE(CString(u"a") < CString(u"b"));
}

}  // namespace
