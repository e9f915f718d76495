// CSpecialBytes and WidenAscii: the 16-byte scans must find the same bytes as a plain loop,
// wherever the byte sits relative to a chunk and whatever follows it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ByteScan.h"

namespace {

struct ScanCase {
  const char* label;
  char16_t separator;
  unsigned char mark;  // the byte placed at each position in turn
  bool special;        // whether Find stops at it
};

const ScanCase kScanCases[] = {
    {"LineFeed", u',', '\n', true},
    {"CarriageReturn", u',', '\r', true},
    {"Comma", u',', ',', true},
    {"Tab", u'\t', '\t', true},
    {"OtherSeparatorIsText", u';', ',', false},
    {"HighByteIsText", u',', 0xC3, false},
    {"NulIsText", u',', 0, false},
    // A separator beyond ASCII has no byte of its own: its bytes are text to Find.
    {"NonAsciiSeparatorByte", u'\u00A7', 0xA7, false},
};

void PrintTo(const ScanCase& c, std::ostream* os) {
  *os << c.label;
}

class SpecialBytesScan : public testing::TestWithParam<ScanCase> {};

TEST_P(SpecialBytesScan, FindsTheFirstSpecialByteAtEveryPosition) {
  const ScanCase& c = GetParam();
  const CSpecialBytes special(c.separator);
  for (std::size_t size = 0; size <= 40; ++size) {
    for (std::size_t at = 0; at < size; ++at) {
      std::vector<unsigned char> bytes(size, 'x');
      bytes[at] = c.mark;
      const std::size_t expected = c.special ? at : size;
      EXPECT_EQ(special.Find(bytes.data(), size), expected) << "size " << size << " at " << at;
    }
  }
}

TEST(SpecialBytes, TheEarlierOfTwoSpecialBytesWins) {
  const CSpecialBytes special(u',');
  for (const unsigned char first : {'\n', '\r', ','}) {
    std::vector<unsigned char> bytes(48, 'x');
    bytes[20] = first;
    bytes[33] = '\n';
    EXPECT_EQ(special.Find(bytes.data(), bytes.size()), 20u) << int{first};
  }
}

INSTANTIATE_TEST_SUITE_P(Bytes, SpecialBytesScan, testing::ValuesIn(kScanCases),
                         [](const auto& info) { return std::string(info.param.label); });

// count bytes of ASCII with a high byte at stop (or none when stop >= count), inside a
// readable range that goes on for tail more bytes.
struct WidenResult {
  std::size_t copied;
  std::u16string units;
};

WidenResult Widen(std::size_t count, std::size_t stop, std::size_t tail) {
  std::vector<unsigned char> bytes(count + tail, 0xFF);
  for (std::size_t k = 0; k < count; ++k)
    bytes[k] = static_cast<unsigned char>('a' + k % 26);
  if (stop < count)
    bytes[stop] = 0x80;
  std::u16string out(count + kWidenSlack, u'?');
  const std::size_t copied = WidenAscii(bytes.data(), count, bytes.size(), out.data());
  return {copied, out.substr(0, copied)};
}

TEST(WidenAscii, CopiesUpToTheFirstHighByteOrTheCount) {
  for (std::size_t count = 0; count <= 40; ++count) {
    for (std::size_t stop = 0; stop <= count; ++stop) {
      for (std::size_t tail : {0u, 5u, 16u}) {
        const WidenResult result = Widen(count, stop, tail);
        std::u16string expected;
        for (std::size_t k = 0; k < stop; ++k)
          expected += static_cast<char16_t>('a' + k % 26);
        ASSERT_EQ(result.copied, stop) << "count " << count << " tail " << tail;
        EXPECT_EQ(result.units, expected);
      }
    }
  }
}

TEST(WidenAscii, BytesBeyondTheCountDoNotCount) {
  // The readable range goes on with ASCII: the copy still ends at the count.
  std::vector<unsigned char> bytes(32, 'z');
  std::u16string out(5 + kWidenSlack, u'?');
  EXPECT_EQ(WidenAscii(bytes.data(), 5, bytes.size(), out.data()), 5u);
  EXPECT_EQ(out.substr(0, 5), u"zzzzz");
}

}  // namespace
