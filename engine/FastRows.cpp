#include "engine/FastRows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/ConversionPaths.h"
#include "engine/EngineMessages.h"
#include "engine/FieldBytes.h"
#include "engine/Utf8Check.h"
#include "libs/suppcore/Log.h"

namespace {

using fieldbytes::ChunkMasks;
using fieldbytes::FieldText;
using fieldbytes::kCarriageReturn;
using fieldbytes::kLineFeed;
using fieldbytes::MasksOf;
using fieldbytes::WithoutQuotes;

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
  // Every value handed to the writer is followed by this many readable bytes: the rest of
  // the file's block, or padding of the line and scratch buffers.
  static constexpr std::size_t kSlack = std::max(JSON::kValueSlack, kUtf8CheckSlack);
  static_assert(CFile::kBlockSlack >= kSlack);

  bool ReadLine();
  // Checks once per block of the file that its whole lines are well-formed UTF-8, so that
  // its lines need no check of their own.
  void CheckBlock(std::string_view block);
  // wellFormed: the line is known to be well-formed UTF-8.
  void SplitLine(const unsigned char* bytes, std::size_t size, bool wellFormed = false);
  // The same for a line with a carriage return, a NUL or bytes that are not well-formed
  // UTF-8: field by field, only the fields that hold such bytes are looked at one by one.
  void SplitSpecialLine(const unsigned char* bytes, std::size_t size);
  void AddSpecialField(const unsigned char* bytes, std::size_t size, unsigned special,
                       char*& scratch);

  CDelimitedTextReader& m_reader;
  CFile& m_file;
  ObjectNames m_names;
  JSON& m_writer;
  unsigned char m_separator;
  std::int64_t m_lineNumber;
  std::string m_line;     // a line that a buffer block boundary splits
  std::string m_scratch;  // field texts that are not the source bytes themselves
  // The values as the writer receives them: the first m_fieldCount; the vector is only
  // ever grown, so that the split stores without a check per field.
  std::vector<std::string_view> m_fields;
  std::size_t m_fieldCount = 0;
  bool m_firstHasText = false;  // a character in the first field
  // The end of the block in the file that CheckBlock last saw, and the part of that block
  // found to be well-formed UTF-8 (empty when it is not).
  std::uint64_t m_checkedBlockEnd = UINT64_MAX;
  const char* m_wellFormedBegin = nullptr;
  const char* m_wellFormedEnd = nullptr;
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
    if (m_fieldCount == m_names.size()) {
      m_writer.AddObjectUtf8(m_names, m_fields.data());
      ++report.rowsWritten;
    } else {
      ++report.linesLeftOut;
      if (logLeftOut && report.linesLeftOut <= EngineMessages::kLeftOutLinesLogged)
        CLog::Bug2(EngineMessages::kLineLeftOut, static_cast<long long>(m_lineNumber),
                   static_cast<long long>(m_fieldCount),
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
  CheckBlock(block);
  const void* lineFeed = std::memchr(block.data(), kLineFeed, block.size());
  if (lineFeed != nullptr) {
    const auto size = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - block.data());
    const bool wellFormed = m_wellFormedBegin != nullptr && block.data() >= m_wellFormedBegin &&
                            block.data() + size <= m_wellFormedEnd;
    SplitLine(reinterpret_cast<const unsigned char*>(block.data()), size, wellFormed);
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
  const std::size_t size = m_line.size();
  m_line.append(kSlack, '\0');
  SplitLine(reinterpret_cast<const unsigned char*>(m_line.data()), size);
  return ended || m_fieldCount > 1 || m_firstHasText;
}

void FastRows::CheckBlock(std::string_view block) {
  const std::uint64_t end = m_file.BytesConsumed() + block.size();
  if (end == m_checkedBlockEnd)
    return;
  m_checkedBlockEnd = end;
  m_wellFormedBegin = m_wellFormedEnd = nullptr;
  // Up to the last line feed: a line that the block cuts off is checked on its own.
  const void* lastLineFeed = memrchr(block.data(), kLineFeed, block.size());
  if (lastLineFeed == nullptr)
    return;
  const auto size = static_cast<std::size_t>(static_cast<const char*>(lastLineFeed) - block.data());
  if (IsWellFormedUtf8(reinterpret_cast<const unsigned char*>(block.data()), size)) {
    m_wellFormedBegin = block.data();
    m_wellFormedEnd = block.data() + size;
  }
}

// Splits a line at its separators in one pass of 16 bytes at a time. In the common line,
// without a carriage return or a NUL and with its bytes from 0x80 on well-formed UTF-8,
// every field is its own text and goes to the writer as a view of the line.
void FastRows::SplitLine(const unsigned char* bytes, std::size_t size, bool wellFormed) {
  unsigned high = 0;
  unsigned breaks = 0;
  unsigned quotes = 0;
  std::size_t fieldStart = 0;
  const char* const text = reinterpret_cast<const char*>(bytes);
  std::string_view* field = m_fields.data();
  std::string_view* room = field + m_fields.size();
  auto take = [&](std::size_t base, const ChunkMasks& masks) {
    // A chunk ends at most 16 fields, and the line's last field follows.
    if (room - field < 17) {
      const auto used = static_cast<std::size_t>(field - m_fields.data());
      m_fields.resize(2 * m_fields.size() + 32);
      field = m_fields.data() + used;
      room = m_fields.data() + m_fields.size();
    }
    high |= masks.high;
    breaks |= masks.breaks;
    quotes |= masks.quotes;
    for (unsigned separators = masks.separators; separators != 0; separators &= separators - 1) {
      const std::size_t at = base + static_cast<std::size_t>(__builtin_ctz(separators));
      *field++ = {text + fieldStart, at - fieldStart};
      fieldStart = at + 1;
    }
  };
  std::size_t base = 0;
  for (; size - base >= 16; base += 16)
    take(base, MasksOf(bytes + base, 16, m_separator));
  // The last, partial chunk, and room for the last field when there is none.
  take(base, MasksOf(bytes + base, size - base, m_separator));
  *field++ = {text + fieldStart, size - fieldStart};
  m_fieldCount = static_cast<std::size_t>(field - m_fields.data());
  // Only a lone carriage return gives no character.
  const std::string_view first = m_fields.front();
  m_firstHasText = first.size() > 1 || (first.size() == 1 && first[0] != kCarriageReturn);
  if (breaks != 0 || (high != 0 && !wellFormed && !IsWellFormedUtf8(bytes, size))) {
    SplitSpecialLine(bytes, size);
  } else if (quotes != 0) {
    for (std::size_t k = 0; k < m_fieldCount; ++k)
      m_fields[k] = WithoutQuotes(m_fields[k]);
  }
}

void FastRows::SplitSpecialLine(const unsigned char* bytes, std::size_t size) {
  m_fields.clear();
  if (m_scratch.size() < 2 * size + kSlack)
    m_scratch.resize(2 * size + kSlack);
  char* scratch = m_scratch.data();
  std::size_t fieldStart = 0;
  unsigned special = 0;  // any byte of the field so far from 0x80 on, a CR or a NUL
  for (std::size_t base = 0; base < size; base += 16) {
    ChunkMasks masks = MasksOf(bytes + base, std::min<std::size_t>(16, size - base), m_separator);
    unsigned specials = masks.high | masks.breaks;
    while (masks.separators != 0) {
      const auto at = static_cast<unsigned>(__builtin_ctz(masks.separators));
      const unsigned before = (1u << at) - 1;
      AddSpecialField(bytes + fieldStart, base + at - fieldStart, special | (specials & before),
                      scratch);
      fieldStart = base + at + 1;
      specials &= ~(before | (1u << at));
      special = 0;
      masks.separators &= masks.separators - 1;
    }
    special |= specials;
  }
  AddSpecialField(bytes + fieldStart, size - fieldStart, special, scratch);
  m_fieldCount = m_fields.size();
}

void FastRows::AddSpecialField(const unsigned char* bytes, std::size_t size, unsigned special,
                               char*& scratch) {
  std::string_view text{reinterpret_cast<const char*>(bytes), size};
  if (special != 0) {
    // A NUL breaks any sequence, so the text up to it is that of the bytes up to it.
    const void* nul = std::memchr(bytes, 0, size);
    if (nul != nullptr)
      size = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - bytes);
    text = FieldText(bytes, size, scratch);
  }
  m_fields.push_back(WithoutQuotes(text));
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
