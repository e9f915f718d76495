#include "engine/FastRows.h"

#include <algorithm>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/ConversionPaths.h"
#include "engine/EngineMessages.h"
#include "engine/Utf8Sequence.h"
#include "libs/suppcore/Log.h"

namespace {

constexpr unsigned char kCarriageReturn = 13;
constexpr unsigned char kLineFeed = 10;

// Marks in separators the bytes of a chunk (count <= 16) that are the separator, in others
// those that a field's text cannot be copied over: carriage return, NUL, 0x80 and above.
void ChunkMasks(const unsigned char* bytes, std::size_t count, unsigned char separator,
                unsigned& separators, unsigned& others) {
#if defined(__SSE2__)
  if (count == 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    separators = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(static_cast<char>(separator)))));
    const __m128i special =
        _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(static_cast<char>(kCarriageReturn))),
                     _mm_cmpeq_epi8(chunk, _mm_setzero_si128()));
    others = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(special, chunk)));
    return;
  }
#endif
  separators = others = 0;
  for (std::size_t k = 0; k < count; ++k) {
    if (bytes[k] == separator)
      separators |= 1u << k;
    else if (bytes[k] == kCarriageReturn || bytes[k] == 0 || bytes[k] >= 0x80)
      others |= 1u << k;
  }
}

// Writes the characters of field bytes from pos on as UTF-8, as the reader decodes them:
// of a run of carriage returns every second one is kept (the reader skips one before any
// character), a byte that starts no well-formed sequence is the character of its value.
// A carriage return or the field's end cuts a sequence short, as in the reader.
char* Transcode(const unsigned char* bytes, std::size_t pos, std::size_t size, char* out) {
  while (pos < size) {
    const unsigned char byte = bytes[pos];
    if (byte == kCarriageReturn) {
      std::size_t run = 0;
      while (pos < size && bytes[pos] == kCarriageReturn) {
        ++run;
        ++pos;
      }
      std::memset(out, kCarriageReturn, run / 2);
      out += run / 2;
    } else if (byte < 0x80) {
      *out++ = static_cast<char>(byte);
      ++pos;
    } else {
      const Utf8Sequence::Decoded decoded = Utf8Sequence::Decode(bytes + pos, size - pos, true);
      if (decoded.used == 1) {
        *out++ = static_cast<char>(0xC0 | (byte >> 6));
        *out++ = static_cast<char>(0x80 | (byte & 0x3F));
      } else {
        std::memcpy(out, bytes + pos, decoded.used);
        out += decoded.used;
      }
      pos += decoded.used;
    }
  }
  return out;
}

// The field's characters as UTF-8: the bytes themselves when they are already that (no
// carriage return, well-formed UTF-8), else written to scratch, which has room for two
// bytes per field byte.
std::string_view FieldText(const unsigned char* bytes, std::size_t size, char*& scratch) {
  std::size_t pos = 0;
  while (pos < size) {
    const unsigned char byte = bytes[pos];
    if (byte < 0x80) {
      if (byte == kCarriageReturn)
        break;
      ++pos;
      continue;
    }
    const Utf8Sequence::Decoded decoded = Utf8Sequence::Decode(bytes + pos, size - pos, true);
    if (decoded.used == 1)
      break;
    pos += decoded.used;
  }
  if (pos == size)
    return {reinterpret_cast<const char*>(bytes), size};
  char* const start = scratch;
  std::memcpy(start, bytes, pos);
  scratch = Transcode(bytes, pos, size, start + pos);
  return {start, static_cast<std::size_t>(scratch - start)};
}

// A value as the writer receives it, once cut at its first NUL: without the double quotes
// at either end.
std::string_view WithoutQuotes(std::string_view text) {
  while (!text.empty() && text.front() == '"')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == '"')
    text.remove_suffix(1);
  return text;
}

class FastRows {
 public:
  FastRows(CDelimitedTextReader& reader, const std::vector<std::u16string_view>& names,
           JSON& writer, unsigned char separator)
      : m_reader(reader),
        m_file(reader.m_file),
        m_names(names),
        m_writer(writer),
        m_separator(separator),
        m_lineNumber(reader.LineNumber()) {}

  void Run(int rowLimit, bool logLeftOut, ConversionReport& report);

 private:
  bool ReadLine();
  void SplitLine(const unsigned char* bytes, std::size_t size);
  void AddField(const unsigned char* bytes, std::size_t size, bool plain, char*& scratch);
  void WriteObject();

  CDelimitedTextReader& m_reader;
  CFile& m_file;
  const std::vector<std::u16string_view>& m_names;
  JSON& m_writer;
  unsigned char m_separator;
  std::int64_t m_lineNumber;
  std::string m_line;                      // a line that a buffer block boundary splits
  std::string m_scratch;                   // field texts that are not the source bytes themselves
  std::vector<std::string_view> m_fields;  // the values as the writer receives them
  bool m_firstHasText = false;             // a character in the first field
};

void FastRows::Run(int rowLimit, bool logLeftOut, ConversionReport& report) {
  for (;;) {
    if (rowLimit >= 0 && report.rowsRead >= rowLimit)
      break;
    if (!ReadLine()) {
      // As the reader does at the end of the input.
      if (m_file.IsOpen())
        m_file.Close();
      break;
    }
    ++m_lineNumber;
    if (m_fields.size() == m_names.size()) {
      if (report.rowsWritten > 0)
        m_writer.EndOfPair();
      WriteObject();
      ++report.rowsWritten;
    } else {
      ++report.linesLeftOut;
      if (logLeftOut && report.linesLeftOut <= EngineMessages::kLeftOutLinesLogged)
        CLog::Bug2(EngineMessages::kLineLeftOut, static_cast<long long>(m_lineNumber),
                   static_cast<long long>(m_fields.size()),
                   static_cast<long long>(m_reader.Columns().size()));
    }
    ++report.rowsRead;
    if (report.progress && report.rowsRead % kProgressInterval == 0)
      report.progress(m_file.BytesConsumed());
  }
}

// Fills m_fields with the next line's texts; false when the input has no further row. A
// last line without a line feed is a row when it holds a character or a separator.
bool FastRows::ReadLine() {
  if (!m_file.IsOpen())
    return false;
  std::string_view block = m_file.NextBlock();
  if (block.empty())
    return false;
  const void* lineFeed = std::memchr(block.data(), kLineFeed, block.size());
  if (lineFeed != nullptr) {
    const auto size = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - block.data());
    SplitLine(reinterpret_cast<const unsigned char*>(block.data()), size);
    m_file.Consume(size + 1);
    return true;
  }
  // The line goes on in the next block: gathered here, so that its fields are whole.
  m_line.assign(block);
  m_file.Consume(block.size());
  bool ended = false;
  while (!(block = m_file.NextBlock()).empty()) {
    lineFeed = std::memchr(block.data(), kLineFeed, block.size());
    const std::size_t size =
        lineFeed != nullptr
            ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - block.data())
            : block.size();
    m_line.append(block.data(), size);
    ended = lineFeed != nullptr;
    m_file.Consume(ended ? size + 1 : size);
    if (ended)
      break;
  }
  SplitLine(reinterpret_cast<const unsigned char*>(m_line.data()), m_line.size());
  return ended || m_fields.size() > 1 || m_firstHasText;
}

// Splits a line at its separators in one pass of 16 bytes at a time. A field without a
// carriage return, a NUL or a byte from 0x80 on (the common case) is its own text and goes
// to the writer as a view of the line; only the others are looked at byte by byte.
void FastRows::SplitLine(const unsigned char* bytes, std::size_t size) {
  m_fields.clear();
  if (m_scratch.size() < 2 * size)
    m_scratch.resize(2 * size);
  char* scratch = m_scratch.data();
  std::size_t fieldStart = 0;
  bool plain = true;
  for (std::size_t base = 0; base < size; base += 16) {
    unsigned separators = 0;
    unsigned others = 0;
    ChunkMasks(bytes + base, std::min<std::size_t>(16, size - base), m_separator, separators,
               others);
    while (separators != 0) {
      const auto at = static_cast<unsigned>(__builtin_ctz(separators));
      const unsigned before = (1u << at) - 1;
      plain = plain && (others & before) == 0;
      AddField(bytes + fieldStart, base + at - fieldStart, plain, scratch);
      fieldStart = base + at + 1;
      others &= ~(before | (1u << at));
      plain = true;
      separators &= separators - 1;
    }
    plain = plain && others == 0;
  }
  AddField(bytes + fieldStart, size - fieldStart, plain, scratch);
}

void FastRows::AddField(const unsigned char* bytes, std::size_t size, bool plain, char*& scratch) {
  if (m_fields.empty()) {
    // Only a lone carriage return gives no character.
    m_firstHasText = size > 1 || (size == 1 && bytes[0] != kCarriageReturn);
  }
  if (!plain) {
    // A NUL breaks any sequence, so the text up to it is that of the bytes up to it.
    const void* nul = std::memchr(bytes, 0, size);
    if (nul != nullptr)
      size = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - bytes);
    m_fields.push_back(WithoutQuotes(FieldText(bytes, size, scratch)));
    return;
  }
  m_fields.push_back(WithoutQuotes({reinterpret_cast<const char*>(bytes), size}));
}

void FastRows::WriteObject() {
  m_writer.SetIndent(1);
  m_writer.BeginValue(nullptr);
  for (std::size_t k = 0; k < m_names.size(); ++k) {
    if (k > 0)
      m_writer.EndOfPair();
    m_writer.WriteIndent();
    m_writer.AddPairUtf8(m_names[k], m_fields[k]);
  }
  m_writer.SetIndent(0);
  m_writer.EndValue();
}

}  // namespace

bool WriteRowsFast(CDelimitedTextReader& reader, const std::vector<std::u16string_view>& names,
                   JSON& writer, int rowLimit, bool logLeftOut, ConversionReport& report) {
  const char16_t separator = reader.m_separatorText.GetAt(0);
  // A separator that is a line break byte itself follows rules of its own. While the reader
  // has consumed no more than the bytes it looks at for a mark, a header line that ended
  // among them may have left some of them in its hands, not handed out yet.
  if (reader.m_utf16 || separator >= 0x80 || separator == kCarriageReturn ||
      separator == kLineFeed || !reader.m_file.IsOpen() || reader.m_file.BytesConsumed() <= 3)
    return false;
  FastRows rows(reader, names, writer, static_cast<unsigned char>(separator));
  rows.Run(rowLimit, logLeftOut, report);
  return true;
}
