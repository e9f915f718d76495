// CDelimitedTextReader turns a delimited text file into rows of text fields: the first
// line holds the column names, every further line is one row. Lines before the header may
// be skipped, and a file without names has column1, column2, ... and its first line as a
// row. The file's encoding is
// found by CSourceDecoder, its lines and fields by CRowSplitter (the rules are there).
//
// Use: Open, Prepare (or PrepareGuessingSeparator) once, then NextRow while it gives rows,
// each read through Fields and Values or ForEachWindow (UTF-8 views). A file error passes
// through as CFileException.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/rows/FieldList.h"
#include "engine/rows/RowSplitter.h"
#include "engine/source/SourceDecoder.h"
#include "platform/core/CString.h"
#include "platform/core/File.h"

// Where a row begins, as a reading of the whole source found it: its first line's number
// and its start in the decoded text (UTF-8, the mark not counted).
struct RowPosition {
  std::int64_t line = 0;
  std::uint64_t textOffset = 0;
};

// Where reading goes on after the header: from a row found earlier (at, its row number
// counted from the first after the header being 0), then skipRows rows further, then on
// to the first row that reaches line firstLine.
struct RowsFrom {
  RowPosition at;
  std::int64_t atRow = 0;
  std::int64_t skipRows = 0;
  std::int64_t firstLine = 0;
  // Where at begins in the file, when every byte before it is text as it stands (automatic
  // 8-bit text, well-formed UTF-8 up to there): reading may then start there. 0: the text
  // before at is decoded and passed.
  std::uint64_t sourceByte = 0;
};

class CDelimitedTextReader {
 public:
  CDelimitedTextReader();
  ~CDelimitedTextReader();
  CDelimitedTextReader(const CDelimitedTextReader&) = delete;
  CDelimitedTextReader& operator=(const CDelimitedTextReader&) = delete;

  enum class Access {
    AnySource,        // a file, a pipe or a FIFO, read as it comes (may block)
    RegularFileOnly,  // refused without blocking when it is a FIFO, a device or a directory
    StandardInput,    // path only names it in messages
  };
  // Opens the source for reading; others may still read it but not write it. Returns
  // non-zero on success; error, when given, receives the path and the reason.
  BOOL Open(LPCWSTR path, CFileException* error = nullptr, Access access = Access::AnySource);
  // The open source's identity and size, from its one descriptor.
  BOOL GetStatus(struct stat& info) const { return m_file.GetStatus(info); }
  // The longest line to read, in UTF-8 bytes; a longer one throws CLineTooLong. Before
  // Prepare.
  void SetMaxLineBytes(std::uint64_t bytes) { m_maxLineBytes = bytes; }
  // The source's encoding: a name iconv knows, or empty to choose it from the source's
  // start (CSourceDecoder). Before Prepare.
  void SetEncoding(const std::string& name) { m_encodingName = name; }
  // Keeps what RawRecord needs to give a row's own bytes back. Before Prepare.
  void SetKeepSourceBytes(bool keep) { m_keepSourceBytes = keep; }
  // Quoted fields (CRowSplitter::SetQuoted) on or off, for the header too. Before Prepare.
  void SetQuoted(bool quoted) { m_quoted = quoted; }
  // Physical lines to skip before the header (or the first row); they still count in line
  // numbers. Before Prepare.
  void SetSkipLines(std::int64_t lines) { m_skipLines = lines; }
  // Whether the first line holds the column names (the default). Without them the names
  // are column1, column2, ..., as many as the first line's fields, and that line is the
  // first row. Before Prepare.
  void SetHeaderLine(bool header) { m_headerLine = header; }
  // Instead of Open and Prepare: reads bytes [begin, end) of the file at path, which start
  // a row, as more rows of the source that header has prepared: its separator, quotes,
  // columns and limits, automatic 8-bit text and lines that end with a line feed. Line
  // numbers and text offsets count from begin. Returns non-zero on success.
  BOOL OpenRange(LPCWSTR path, std::uint64_t begin, std::uint64_t end,
                 const CDelimitedTextReader& header, CFileException* error = nullptr);
  // Chooses the encoding and the separator (null, empty, "<tab>", "tab" and "\t" mean a
  // tab; else the text's first character) and reads the header line. Returns 0 on success,
  // 2 when there is no header line or it is a malformed quoted record (file closed;
  // HeaderFault says which).
  int Prepare(LPCWSTR separatorText);
  // The same, with the separator guessed from the header line itself (GuessSeparator), so
  // that a source that can be read only once still loses nothing. The lines skipped are
  // not looked at.
  int PrepareGuessingSeparator();

  // Reads the next row: true when there is one (FieldCount, Fields and Values hold it, or
  // RecordFault says why it is no row), false at the end of the input, which closes the
  // file.
  bool NextRow();
  CRowSplitter::Fault RecordFault() const { return m_splitter->RecordFault(); }
  // Reads the next row's lines only, to learn where it is (RowStart, LineNumber,
  // LastLineNumber) and not what it holds: without quoted fields its line is not split.
  // false at the end of the input, which closes the file.
  bool NextRecord();
  // Passes at most count rows as cheaply as can be, for a caller that counts them: without
  // quoted fields, the lines that end within what is read already; returns how many (0
  // when the next row needs NextRecord).
  std::int64_t PassRecords(std::int64_t count);
  RowPosition RowStart() const {
    return m_splitter ? RowPosition{m_splitter->LineNumber(), m_splitter->RecordTextOffset()}
                      : RowPosition{};
  }
  // After Prepare: goes on from where says (see RowsFrom), opening the file again at its
  // sourceByte where it has one and the source allows (a regular file, not compressed, of
  // automatic 8-bit text with line feeds); the rows passed are read as NextRecord reads them.
  // Returns the number of the next row NextRow gives, counted as RowsFrom counts.
  std::int64_t SkipTo(const RowsFrom& where);
  std::size_t FieldCount() const { return m_splitter->FieldCount(); }
  const std::string_view* Fields() const { return m_splitter->Fields(); }
  const std::string_view* Values() const { return m_splitter->Values(); }
  // Whether Fields and Values hold the whole row; else ForEachWindow reads it.
  bool RowHeld() const { return m_splitter->StoredFieldCount() == FieldCount(); }
  void ForEachWindow(const CRowSplitter::WindowSink& take) { m_splitter->ForEachWindow(take); }

  // Reads at most this many bytes of the source (0: all), as if it ended there. After Open.
  void SetReadLimit(std::uint64_t bytes) {
    m_readLimit = bytes;
    m_file.SetReadLimit(bytes);
  }
  // The read limit cut the source: the last line read is not whole (Cut) or more may
  // follow (LimitReached).
  bool ReadLimitReached() const { return m_file.ReadLimitReached(); }
  bool Cut() const { return ReadLimitReached() && m_splitter && m_splitter->LineUnended(); }

  // Lets the source go before the end of the input.
  void Close();
  bool IsOpen() const { return m_file.IsOpen(); }

  bool IsUtf16() const { return m_utf16; }
  // The source is compressed (known after the first read).
  bool SourceCompressed() const { return m_file.IsCompressed(); }
  // The encoding, why, and what decoding has cost so far; the default before Prepare.
  SourceEncoding Encoding() const {
    return m_decoder ? m_decoder->GetEncoding() : SourceEncoding{};
  }
  // The separator text as given or guessed ("<tab>" for a tab).
  const CString& SeparatorText() const { return m_separatorText; }
  // When the header is one field: the first of tab, comma, bar and semicolon that would
  // split it into the most fields, and how many (quotes read as the rows' are); else
  // empty and 0.
  const CString& SplittingSeparator() const { return m_splittingSeparator; }
  std::size_t SplittingSeparatorColumns() const { return m_splittingColumns; }
  // Lines end with carriage returns alone: an old Mac file.
  bool OldMacLineEnds() const { return m_splitter && m_splitter->LineEnd() == '\r'; }
  // Whether the text is the file's own bytes as they stand, so that the file read from one
  // of its line starts reads as the whole file does from there: a regular file of automatic
  // 8-bit text, not compressed, whose lines end with line feeds. Known once the header is.
  bool TextIsTheFilesBytes() const;
  // The header's fields as the line holds them (quotes and NULs included); without a
  // header line, the first row's.
  const NameList& Columns() const { return m_columns; }
  // The column names: the header's field values.
  const NameList& ColumnNames() const { return m_namesAreFields ? m_columns : m_columnNames; }
  CRowSplitter::Fault HeaderFault() const { return m_headerFault; }
  // Without a header line: the first row was read by Prepare and NextRow has not given it.
  bool RowPending() const { return m_firstRowPending; }
  // Bytes of decoded text (UTF-8) read so far.
  std::uint64_t TextRead() const { return m_splitter ? m_splitter->TextRead() : 0; }
  // Notes the first byte (from 1) that is not UTF-8 when none was seen before, for rows of
  // the source read elsewhere.
  void NoteNotUtf8At(std::uint64_t byte) {
    if (m_decoder)
      m_decoder->NoteNotUtf8At(byte);
  }
  // Number of the line that the last row came from, the header's after Prepare; every
  // physical line counts, skipped ones too (the first is line 1).
  std::int64_t LineNumber() const { return m_splitter ? m_splitter->LineNumber() : 0; }
  // The last physical line of the last row (LineNumber unless a quote ran over line ends).
  // The last row (the header after Prepare) as the source held it, with its line end
  // (CRowSplitter::RawRecord).
  std::string RawRecord() const { return m_splitter ? m_splitter->RawRecord() : std::string(); }
  // Where the last row's text begins in the decoded text (UTF-8) of the source; the
  // byte offset in the file for UTF-8 text, its mark counted.
  std::uint64_t RowTextOffset() const {
    return m_splitter ? m_splitter->RecordTextOffset() + MarkBytes() : 0;
  }
  std::int64_t LastLineNumber() const { return m_splitter ? m_splitter->LastLineNumber() : 0; }
  // Bytes of the source read so far, for progress reports against its size: of a
  // compressed source, the compressed bytes.
  std::uint64_t BytesRead() const {
    if (m_file.IsCompressed())
      return m_file.SourceBytesRead();
    return m_splitter ? m_splitter->SourceBytesRead() : 0;
  }

 private:
  std::uint64_t MarkBytes() const {
    const SourceEncoding encoding = Encoding();
    return encoding.kind == SourceEncoding::Kind::Utf8 && encoding.why == SourceEncoding::Why::Mark
               ? 3
               : 0;
  }
  void StartDecoding();
  bool CanReadFrom(const RowsFrom& where) const;
  void ReadFrom(const RowsFrom& where);
  bool SkipLines();
  int ReadHeader(bool lineRead);
  void FindSplittingSeparator();
  void ReadNames();

  bool m_utf16 = false;
  bool m_quoted = false;
  bool m_keepSourceBytes = false;
  std::int64_t m_skipLines = 0;
  bool m_headerLine = true;
  bool m_firstRowPending = false;  // without a header line, the line Prepare read
  bool m_namesAreFields = false;   // m_columnNames is left empty
  CRowSplitter::Fault m_headerFault = CRowSplitter::Fault::kNone;
  std::uint64_t m_maxLineBytes = kDefaultMaxLineBytes;
  std::uint64_t m_readLimit = 0;
  CString m_separatorText;
  CString m_splittingSeparator;
  std::size_t m_splittingColumns = 0;
  std::string m_encodingName;
  CStdioFile m_file;
  NameList m_columns;
  NameList m_columnNames;
  std::unique_ptr<CSourceDecoder> m_decoder;
  std::unique_ptr<CRowSplitter> m_splitter;
};
