// CRowSplitter cuts the UTF-8 text of a source into rows of fields. It is the one place
// that says what a line, a field and a value are:
// - A line feed ends a line; a last line without one is a row when it holds something
//   after the carriage-return rule: a character, a separator or a quote. In an old Mac
//   file (carriage returns and no line feed in the text's first 64 KiB) a carriage return
//   ends a line instead, and a line feed is text.
// - One carriage return before any character is skipped, so CR LF ends a line like LF; of
//   a run of carriage returns every second one is kept (or, when the carriage return is
//   the separator, splits). Outside quotes this rule comes first: the other rules see the
//   text without the skipped ones.
// - The separator character always splits, unless quoted fields are on (SetQuoted): then a
//   field whose first character is a double quote runs to its closing quote, holding
//   separators, carriage returns, line feeds and doubled quotes as text, and its value is
//   that inside text up to the first NUL. Such a record may span lines; a malformed one is
//   still read, whole, and says what is wrong with it (RecordFault).
// - Any other field's value is its text up to the first NUL, without the double quotes at
//   either end (FieldValue).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/source/SourceDecoder.h"

// A field's value: its text up to the first NUL, without double quotes at either end.
template <class Char>
std::basic_string_view<Char> FieldValue(std::basic_string_view<Char> field) {
  field = field.substr(0, field.find(Char(0)));
  while (!field.empty() && field.front() == Char('"'))
    field.remove_prefix(1);
  while (!field.empty() && field.back() == Char('"'))
    field.remove_suffix(1);
  return field;
}

// Lines longer than this fail the conversion: memory follows the longest line, and a file
// without line feeds (or whose lines end with a lone carriage return) is one line.
inline constexpr std::uint64_t kDefaultMaxLineBytes = std::uint64_t{256} << 20;

// The start of the text that chooses the line end: carriage returns and no line feed in
// it make an old Mac file.
inline constexpr std::size_t kLineEndWindow = std::size_t{64} << 10;

// A line of the source is longer than the limit.
class CLineTooLong : public std::length_error {
 public:
  // quoteOpen: a quoted record of several lines grew past the limit, not one line: a quote
  // opened on lineNumber is still open after lastLine.
  CLineTooLong(std::int64_t lineNumber, std::uint64_t limit, bool quoteOpen = false,
               std::int64_t lastLine = 0);
  std::int64_t LineNumber() const { return m_lineNumber; }
  std::uint64_t Limit() const { return m_limit; }
  bool QuoteOpen() const { return m_quoteOpen; }
  std::int64_t LastLine() const { return m_lastLine; }

 private:
  std::int64_t m_lineNumber;
  std::uint64_t m_limit;
  bool m_quoteOpen;
  std::int64_t m_lastLine;
};

class CRowSplitter {
 public:
  // separator: the character that splits fields (a surrogate is taken as U+FFFD).
  // maxLineBytes: the longest line read (in UTF-8 bytes); a longer one throws CLineTooLong.
  CRowSplitter(CSourceDecoder& source, char32_t separator,
               std::uint64_t maxLineBytes = kDefaultMaxLineBytes);
  CRowSplitter(const CRowSplitter&) = delete;
  CRowSplitter& operator=(const CRowSplitter&) = delete;

  // What is wrong with a quoted record; such a record is no row.
  enum class Fault {
    kNone,
    kQuoteNotClosed,  // the input ends inside a quoted field
    kTextAfterQuote,  // a closing quote is followed by more than the separator or line end
  };

  // Reads the next record (a line, or more with quoted fields) into the row; false at the
  // end of the input, with no row.
  bool Next() { return ReadLine() && SplitLine(); }

  // The two steps of Next, for a caller that looks at a line before choosing the separator.
  // ReadLine: false at the end of the input; LineText holds the line until the next call.
  // SplitLine: splits it with the separator; false when it is no row (a last line without
  // a line feed that holds nothing).
  bool ReadLine();
  std::string_view LineText() const { return m_lineText; }
  void SetSeparator(char32_t separator);
  // Quoted fields on or off (off by default). With a double quote as the separator,
  // nothing is quoted.
  void SetQuoted(bool quoted);
  bool SplitLine();
  // The byte that ends a line: a line feed, or a carriage return in an old Mac file.
  // Chosen by the first ReadLine from the text's first kLineEndWindow bytes.
  char LineEnd() const { return m_lineEnd; }
  // Lines end with a line feed, whatever the text's start: for a part of a text whose
  // line end was chosen from the text's own start. Before the first ReadLine.
  void KeepLineFeedLineEnds() { m_lineEndChosen = true; }
  // Bytes of text read so far, counted over every piece.
  std::uint64_t TextRead() const { return m_textHandedOut; }
  // The fields of the line last read under another separator, by the rules of SplitLine
  // but without reading on where a quote stays open. Leaves the line to be split again.
  std::size_t FieldsUnder(char32_t separator);
  Fault RecordFault() const { return m_fault; }
  // The last line read had no line feed: the input ended inside it.
  bool LineUnended() const { return !m_lineEnded; }

  std::size_t FieldCount() const { return m_fieldCount; }
  // The fields as the line holds them (after the carriage-return rule; a quoted field is
  // its inside text) and their values,
  // UTF-8, each followed by kSimdPadding readable bytes. Valid until the next call of Next.
  // Only StoredFieldCount of them are held: all of a row up to the kept number of fields
  // and kWindowFields, enough of a wider one to tell it is wider.
  const std::string_view* Fields() const { return m_fields.data(); }
  const std::string_view* Values() const { return m_values; }
  std::size_t StoredFieldCount() const { return m_storedFields; }
  // Rows wider than fields are left out: past that, fields are counted, not held, so that
  // a line of separators costs no more memory than its text.
  void KeepFields(std::size_t fields) { m_keptFields = fields; }

  // A row holds at most this many fields at once; a wider one is read a window at a time.
  static constexpr std::size_t kWindowFields = std::size_t{1} << 16;
  using WindowSink = std::function<void(const std::string_view* fields,
                                        const std::string_view* values, std::size_t count)>;
  // Hands every field of the row and its value to take, in order, a window of at most
  // kWindowFields at a time (once, when the row is held whole); a wide row is cut again
  // for it. Fields and Values hold the last window afterwards.
  void ForEachWindow(const WindowSink& take);
  // The number of the line the row began on; the first line is 1, and a line feed inside
  // a quoted field starts a new line.
  std::int64_t LineNumber() const { return m_recordLineNumber; }
  // The number of the last physical line of the row: LineNumber unless a quoted field
  // runs over line ends.
  std::int64_t LastLineNumber() const { return m_lineNumber; }
  // The row's whole text as read, its lines joined by their line ends but without the
  // last one (decoded UTF-8; see RawRecord for the source's own bytes). Valid until the
  // next read.
  std::string_view RecordText() const { return m_cutByBytes ? m_recordText : m_lineText; }
  // The row as the source's bytes held it, its line end included when it had one (see
  // CSourceDecoder::SourceBytes: exact for 8-bit text once KeepSourceBytes is on; UTF-8
  // for UTF-16 and chosen encodings).
  std::string RawRecord() const;
  // Where the row's text begins in the text read (UTF-8), counted over every piece.
  std::uint64_t RecordTextOffset() const { return m_recordTextStart; }
  // Bytes of the source read up to the end of the row.
  std::uint64_t SourceBytesRead() const;
  // Goes on at a record that an earlier reading of the same source found: its start in the
  // decoded text (RecordTextOffset then) and its first line's number. The text before is
  // decoded but not split. textOffset must not be before the text read so far.
  void SkipTo(std::uint64_t textOffset, std::int64_t lineNumber);
  // For a splitter over a part of the text that begins at a record found earlier: counts
  // the text and the lines from there, as the whole text's reading did. Before the first
  // read.
  void StartAt(std::uint64_t textOffset, std::int64_t lineNumber) {
    m_textHandedOut = textOffset;
    m_lineNumber = lineNumber - 1;
  }
  // Passes at most count physical lines that end within the piece at hand, without making
  // rows of them, for a caller that only counts them; returns how many. 0 where the next
  // line runs on into the next piece or the input ends: ReadLine then reads it by every
  // rule.
  std::int64_t PassLines(std::int64_t count);

 private:
  bool ReadPhysicalLine();
  void ChooseLineEnd();
  std::string_view NextPiece();
  void CheckLineSize(std::size_t size, std::int64_t lineNumber) const;
  bool QuotesOpenFields() const;
  bool IsRow(bool heldSomething) const;
  template <bool kQuoted, bool kMultiByteSeparator>
  bool Cut(const char* text, std::size_t size);
  void UndoubleQuotes(std::size_t fields);
  bool CutLine(std::size_t size);
  void HandOut(std::size_t fields);
  bool SplitByteByByte(std::string_view text);
  bool ExtendRecord(std::string_view& text, std::size_t fields);
  void ScratchFor(std::size_t size);
  std::string_view* Room(std::string_view* field, std::size_t needed, std::size_t& folded,
                         std::optional<std::string_view> rest = std::nullopt);
  bool SeparatorAt(const char* text, std::size_t size, std::size_t at) const;

  CSourceDecoder& m_source;
  char m_separator[4];  // its UTF-8 bytes
  std::size_t m_separatorSize;
  std::uint64_t m_maxLineBytes;
  std::string_view m_piece;  // what is left of the source's last piece
  const char* m_pieceStart = nullptr;
  bool m_atEnd = false;
  bool m_quoted = false;
  char m_lineEnd = '\n';
  bool m_lineEndChosen = false;
  // The text read to choose the line end, split before the rest (a piece lasts only until
  // the next read), and the piece read after it, still whole.
  std::string m_head;
  std::size_t m_headSize = 0;
  std::uint64_t m_headSourceStart = 0;
  std::uint64_t m_headSourceEnd = 0;
  std::string_view m_heldPiece;
  // Where in the decoded text (counted over every piece) the current piece, the last
  // physical line and the record begin, and the text handed out so far.
  std::uint64_t m_pieceTextStart = 0;
  std::uint64_t m_textHandedOut = 0;
  std::uint64_t m_lineTextStart = 0;
  std::uint64_t m_recordTextStart = 0;
  std::int64_t m_lineNumber = 0;  // of the last physical line read
  std::int64_t m_recordLineNumber = 0;
  Fault m_fault = Fault::kNone;
  std::string_view m_lineText;  // the line last read, without its line feed
  bool m_lineEnded = false;     // whether a line feed ended it
  std::string m_line;           // a line that the end of a piece splits, gathered
  std::string m_scratch;        // fields rewritten by the carriage-return or quote rules
  std::string m_record;         // a quoted record of several lines, gathered
  // The first m_fieldCount are the row's; only ever grown, so that splitting stores
  // without a check per field. m_valueList is filled only for rows whose values differ
  // from their fields.
  std::vector<std::string_view> m_fields;
  std::vector<std::string_view> m_valueList;
  std::size_t m_fieldCount = 0;
  std::size_t m_storedFields = 0;
  std::size_t m_keptFields = SIZE_MAX;
  const std::string_view* m_values = nullptr;  // m_fields when no value differs
  // How the last record was cut, so that ForEachWindow cuts it the same way again: byte by
  // byte from its whole text (a quoted record may span lines), or 64 bytes at a time.
  bool m_cutByBytes = false;
  std::string_view m_recordText;
  // While ForEachWindow cuts: where full windows go. m_cutQuoted: the fields are cut in
  // quoted mode, so their values are worked out as each window is handed out.
  const WindowSink* m_sink = nullptr;
  bool m_cutQuoted = false;
};
