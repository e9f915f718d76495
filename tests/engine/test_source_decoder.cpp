// CSourceDecoder: the automatic choice of encoding, UTF-16 and the Windows-1252 fallback, a
// chosen encoding through iconv, and what each says of itself. The Windows-1252 table and
// the well-formed chosen texts come from independent decoders (Python's codecs, the iconv
// program), never typed by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "SourceBytes.h"
#include "engine/EngineMessages.h"
#include "engine/source/SourceDecoder.h"
#include "platform/core/Formatted.h"
#include "tests/platform/TempDir.h"
#include "tests/support/NamedCase.h"

using namespace std::string_literals;

namespace {

using corvane_test::operator<<;

constexpr std::size_t kBlock = CFile::kBufferSize;

struct Decoded {
  std::string text;
  SourceEncoding encoding;
};

// The whole text of path, each read giving at most readLimit bytes (0: no limit).
Decoded DecodeFile(const std::string& path, const std::string& encoding = "",
                   size_t readLimit = 0) {
  ScopedSysCalls scoped(ShortReads(readLimit));
  CStdioFile file;
  EXPECT_TRUE(file.Open(CString::FromUtf8(path), CFile::typeText));
  CSourceDecoder decoder(file, encoding);
  Decoded decoded;
  for (std::string_view piece; !(piece = decoder.Read()).empty();)
    decoded.text += piece;
  decoded.encoding = decoder.GetEncoding();
  return decoded;
}

// What a command prints on its standard output.
std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr) << command;
  char buffer[4096];
  for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    out.append(buffer, n);
  EXPECT_EQ(pipe ? pclose(pipe) : -1, 0) << command;
  return out;
}

// Text in an encoding, as the iconv program writes it.
std::string Encoded(const TempDir& dir, const std::string& utf8, const std::string& encoding) {
  return Output("iconv -f UTF-8 -t " + encoding + " " + dir.Write("utf8.txt", utf8));
}

class SourceDecoderTest : public ::testing::Test {
 protected:
  Decoded Decode(const std::string& bytes, const std::string& encoding = "", size_t limit = 0) {
    return DecodeFile(m_dir.Write("source.txt", bytes), encoding, limit);
  }
  TempDir m_dir;
};

// Every byte 0x80-0xFF on a line of its own, so that none forms UTF-8 with its neighbours,
// against Python's Windows-1252 codec; the five bytes that codec leaves out keep their value.
TEST_F(SourceDecoderTest, BytesThatAreNotUtf8ReadAsWindows1252) {
  std::string bytes;
  for (int byte = 0x80; byte <= 0xFF; ++byte)
    bytes += std::string(1, static_cast<char>(byte)) + "\n";
  const std::string expected = Output(
      "python3 -c \"import sys\n"
      "for b in range(0x80, 0x100):\n"
      "    try: c = bytes([b]).decode('cp1252')\n"
      "    except UnicodeDecodeError: c = chr(b)\n"
      "    sys.stdout.buffer.write((c + '\\n').encode())\"");
  ASSERT_EQ(std::count(expected.begin(), expected.end(), '\n'), 128);
  for (const size_t limit : {0, 1, 3}) {
    const Decoded decoded = Decode(bytes, "", limit);
    EXPECT_EQ(decoded.text, expected) << limit;
    EXPECT_EQ(decoded.encoding.firstNotUtf8, 1u);
  }
}

struct AutomaticCase {
  const char* name;
  std::string bytes;
  std::u16string said;  // DescribeEncoding
  std::string text;
};

const AutomaticCase kAutomaticCases[] = {
    {"Utf8", "a,é\n", EngineMessages::kEncodingUtf8, "a,é\n"},
    {"Utf8Mark", "\xEF\xBB\xBFz\n", EngineMessages::kEncodingUtf8Mark, "z\n"},
    {"Utf16LEMark", "\xFF\xFEz\0\n\0"s, EngineMessages::kEncodingUtf16LEMark, "z\n"},
    {"Utf16BEMark", "\xFE\xFF\0a\0\n"s, EngineMessages::kEncodingUtf16BEMark, "a\n"},
    {"Utf16LENuls", "a\0,\0\xE9\0\n\0"s, EngineMessages::kEncodingUtf16LENul, "a,é\n"},
    {"Utf16BENuls", "\0a\0,\0\xE9\0\n"s, EngineMessages::kEncodingUtf16BENul, "a,é\n"},
    // A NUL in every other byte, but a few in the others too: not UTF-16.
    {"NulsInBothHalves", "a\0\0\0b\0"s, EngineMessages::kEncodingUtf8, "a\0\0\0b\0"s},
    {"NulsInFewBytes", "abcd\0e"s, EngineMessages::kEncodingUtf8, "abcd\0e"s},
    // The first byte that is not UTF-8 is named, counted from 1.
    {"NotUtf8", std::string(1233, 'a') + "\x93q\x94",
     u"no mark, not UTF-8 at byte 1,234: Windows-1252", std::string(1233, 'a') + "“q”"},
    {"MarkThenNotUtf8", "\xEF\xBB\xBF\x80",
     u"UTF-8 (byte-order mark), not UTF-8 at byte 4: Windows-1252", "€"},
    {"BrokenSequence", "\xE2\x82\x41\n", u"no mark, not UTF-8 at byte 1: Windows-1252", "â‚A\n"},
    {"SequenceCutByTheEnd", "a\xE2\x82", u"no mark, not UTF-8 at byte 2: Windows-1252", "aâ‚"},
    {"HalfAMarkIsText", "\xEF\xBBx", u"no mark, not UTF-8 at byte 1: Windows-1252", "ï»x"},
    {"Utf16BEBeyondLatin", Utf16(u"a,é\n東,😀\n", true), EngineMessages::kEncodingUtf16BEMark,
     "a,é\n東,😀\n"},
    {"Utf16LoneSurrogates", Utf16(u"a\xD800,\xDC00z"), EngineMessages::kEncodingUtf16LEMark,
     "a\uFFFD,\uFFFDz"},
    {"Utf16OddLastByte", Utf16(u"a\n") + "b", EngineMessages::kEncodingUtf16LEMark, "a\nb"},
    // A surrogate pair across the first block's edge: the mark and the x's fill it but two bytes.
    {"Utf16PairAcrossTheBlockEdge", Utf16(std::u16string(kBlock / 2 - 2, u'x') + u"😀"),
     EngineMessages::kEncodingUtf16LEMark, std::string(kBlock / 2 - 2, 'x') + "😀"},
};

// Failures name the case, not the bytes of its record.
class AutomaticCases : public SourceDecoderTest,
                       public ::testing::WithParamInterface<std::tuple<AutomaticCase, size_t>> {};

TEST_P(AutomaticCases, ChoosesAndSaysWhy) {
  const auto& [c, limit] = GetParam();
  const Decoded decoded = Decode(c.bytes, "", limit);
  EXPECT_EQ(decoded.text, c.text);
  EXPECT_EQ(DescribeEncoding(decoded.encoding), c.said.c_str());
  EXPECT_EQ(decoded.encoding.undecodable, 0u);
}

INSTANTIATE_TEST_SUITE_P(Automatic, AutomaticCases,
                         ::testing::Combine(::testing::ValuesIn(kAutomaticCases),
                                            ::testing::Values<size_t>(0, 1)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == 0 ? "" : "_ReadsOf1");
                         });

struct ChosenCase {
  const char* name;
  const char* encoding;  // as iconv and the decoder name it
  std::string text;      // UTF-8
};

const ChosenCase kChosenCases[] = {
    {"Windows1251", "windows-1251", "имя,город\nЁж,Москва\n"},
    {"ShiftJis", "shift_jis", "名前,都市\n東京,ｶﾀｶﾅ\n"},
    {"Gb18030", "GB18030", "名字,😀\n"},
    // Stateful: escape sequences switch the character set, across reads too.
    {"Iso2022Jp", "ISO-2022-JP", "a,日本\n語,b\n"},
    {"Utf16LE", "UTF-16LE", "a,😀\n"},
};

class ChosenCases : public SourceDecoderTest,
                    public ::testing::WithParamInterface<std::tuple<ChosenCase, size_t>> {};

// Reads of 1 to 3 bytes cut characters and escape sequences at every position.
TEST_P(ChosenCases, DecodeAsIconvEncodes) {
  const auto& [c, limit] = GetParam();
  const Decoded decoded = Decode(Encoded(m_dir, c.text, c.encoding), c.encoding, limit);
  EXPECT_EQ(decoded.text, c.text);
  EXPECT_EQ(DescribeEncoding(decoded.encoding),
            Formatted(EngineMessages::kEncodingChosen, CString::FromUtf8(c.encoding).GetString()));
  EXPECT_EQ(decoded.encoding.undecodable, 0u);
}

INSTANTIATE_TEST_SUITE_P(Chosen, ChosenCases,
                         ::testing::Combine(::testing::ValuesIn(kChosenCases),
                                            ::testing::Values<size_t>(0, 1, 2, 3)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_ReadsOf" +
                                  std::to_string(std::get<1>(info.param));
                         });

struct UndecodableCase {
  const char* name;
  const char* encoding;
  std::string bytes;
  std::string text;
  std::uint64_t undecodable;
};

const UndecodableCase kUndecodableCases[] = {
    {"Windows1252Gaps", "windows-1252", "a\x81\x8D\x80", "a��€", 2},
    {"Utf8", "UTF-8", "a\xFF\xC3", "a��", 2},
    {"ShiftJisCutAtTheEnd", "shift_jis", "a\x93", "a�", 1},
    {"Utf16LEOddByte", "utf-16le", "a\0b"s, "a�", 1},
    {"Utf16LELoneSurrogate", "utf-16le", "\x00\xD8z\0"s, "�z", 2},
};

class UndecodableCases : public SourceDecoderTest,
                         public ::testing::WithParamInterface<UndecodableCase> {};

TEST_P(UndecodableCases, BecomeReplacementCharactersAndAreCounted) {
  const UndecodableCase& c = GetParam();
  const Decoded decoded = Decode(c.bytes, c.encoding);
  EXPECT_EQ(decoded.text, c.text);
  EXPECT_EQ(decoded.encoding.undecodable, c.undecodable);
  EXPECT_EQ(UndecodableText(decoded.encoding),
            Formatted(EngineMessages::kUndecodable, GroupedNumber(c.undecodable).GetString()));
}

INSTANTIATE_TEST_SUITE_P(Chosen, UndecodableCases, ::testing::ValuesIn(kUndecodableCases),
                         corvane_test::ByName);

// The mark a chosen Unicode encoding writes is no character of the text.
TEST_F(SourceDecoderTest, ChosenEncodingDropsItsMark) {
  EXPECT_EQ(Decode("\xEF\xBB\xBFz\n", "utf-8").text, "z\n");
  EXPECT_EQ(Decode("\xFF\xFEz\0"s, "utf-16le").text, "z");
  EXPECT_THROW(Decode("a", "no-such-encoding"), std::invalid_argument);
}

}  // namespace
