// The texts the conversion engine writes to the log. Tests compare against these, so the
// wording lives in one place.
#pragma once

#include <cstddef>

namespace EngineMessages {

// The reader found no header line (logged with CLog::Bug).
inline constexpr char16_t kNoColumnList[] = u"Could not read column list";
// The source could not be opened; %s is the source path (CLog::Bug2).
inline constexpr char16_t kSourceOpenFailed[] = u"Could not open '%s' for read.";
// The output could not be opened or created; %s is the output path (CLog::Bug2).
inline constexpr char16_t kDestinationOpenFailed[] =
    u"Could not open or create destination file '%s'";
// A line longer than the conversion's limit, after the source's name and ": ": its line
// number and the limit in bytes, both passed as long long.
inline constexpr char16_t kLineTooLong[] =
    u"line %lld is longer than %lld bytes; lines may end with a lone carriage return";
// A quoted record that grew past the limit, after the source's name and ": ": the line
// its quote opened on, the line reading had reached and the limit in bytes, each grouped
// by commas.
inline constexpr char16_t kQuoteTooLong[] =
    u"a quote opened on line %s is not closed within %s bytes (read up to line %s)";
// A source that is not text, after its name and ": ": %s is what it looks like
// (kLooksLike...).
inline constexpr char16_t kNotTextFile[] = u"is not a text file: it looks like %s";
inline constexpr char16_t kLooksLikeZip[] = u"a ZIP archive";
inline constexpr char16_t kLooksLikePdf[] = u"a PDF document";
inline constexpr char16_t kLooksLikePng[] = u"a PNG image";
inline constexpr char16_t kLooksLikeJpeg[] = u"a JPEG image";
inline constexpr char16_t kLooksLikeGif[] = u"a GIF image";
inline constexpr char16_t kLooksLikeSqlite[] = u"an SQLite database";
inline constexpr char16_t kLooksLikeParquet[] = u"a Parquet file";
inline constexpr char16_t kLooksLikeProgram[] = u"a program (ELF)";
// Two sources of a batch whose outputs would have one name: both sources, then the output.
inline constexpr char16_t kSameOutput[] = u"%s and %s would both be written to %s";
// Running out of memory, after the source's name.
inline constexpr char16_t kOutOfMemory[] = u"not enough memory to convert it";
// Any other failure, a fault of the program, after the source's name: %s is what the
// failure says of itself, or its type.
inline constexpr char16_t kUnexpectedError[] = u"unexpected error: %s";
// One line left out of the output: its line number (the header is line 1), its number of
// fields and the header's number of fields, all passed as long long.
inline constexpr char16_t kLineLeftOut[] =
    u"Line %lld left out: it has %lld field(s), the header has %lld";
// A quoted record left out of the output: the number of the line it began on, and why
// (kQuoteNotClosed or kTextAfterQuote).
inline constexpr char16_t kRecordLeftOut[] = u"Line %lld left out: %s";
inline constexpr char16_t kQuoteNotClosed[] = u"a quote is not closed";
// A quote still open at the end of the input: the line it opened on, then the first and
// last of the physical lines the record took, each grouped by commas.
inline constexpr char16_t kQuoteNeverClosed[] =
    u"a quote opened on line %s is never closed: lines %s-%s left out";
inline constexpr char16_t kQuoteNeverClosedOneLine[] =
    u"a quote opened on line %s is never closed: line %s left out";
// A malformed quoted record of several lines: its first and last line, and why.
inline constexpr char16_t kRecordLinesLeftOut[] = u"Lines %lld-%lld left out: %s";
inline constexpr char16_t kTextAfterQuote[] = u"text after a closing quote";
// After a conversion that left lines out: how many, passed as long long.
inline constexpr char16_t kLinesLeftOutTotal[] =
    u"%lld line(s) left out because their number of fields differs from the header's";
// The same with quoted fields, where a malformed record is left out too.
inline constexpr char16_t kLinesLeftOutTotalQuoted[] =
    u"%lld line(s) left out because their number of fields differs from the header's or a "
    u"quote is malformed";
// With strict on: the line left out (kLineLeftOut, kRecordLeftOut), then why it fails.
inline constexpr char16_t kStrictLeftOut[] = u"%s; every line must be converted (--strict)";
// A row too large for BSON: its line and the bytes its document would take.
inline constexpr char16_t kDocumentTooLarge[] =
    u"line %lld: its BSON document would take %llu bytes, more than the 16 MiB a BSON "
    u"document may hold";
// Columns renamed because an earlier column holds their name: how many, then the first of
// them ("a -> a_2, a -> a_3"), and kMoreRenamed after them when there are more.
inline constexpr char16_t kColumnsRenamed[] =
    u"%lld repeated column name(s) renamed, since readers of JSON and BSON keep only one of "
    u"two equal names: %s";
inline constexpr char16_t kRenamed[] = u"%s -> %s";
inline constexpr char16_t kMoreRenamed[] = u", and %lld more";
inline constexpr std::size_t kRenamedShown = 5;
// Values that their column's type can't hold, written as text: the total, then each
// column's name and count.
inline constexpr char16_t kValuesLeftAsText[] =
    u"%lld value(s) written as text, since their column's type can't hold them: %s";
inline constexpr char16_t kColumnLeftAsText[] = u"%s (%lld)";
// Which encoding a source was read in and why (DescribeEncoding). %s is the byte's number,
// grouped by commas; or the name as the user chose it.
inline constexpr char16_t kEncodingUtf8[] = u"UTF-8";
inline constexpr char16_t kEncodingUtf8Mark[] = u"UTF-8 (byte-order mark)";
inline constexpr char16_t kEncodingUtf16LEMark[] = u"UTF-16LE (byte-order mark)";
inline constexpr char16_t kEncodingUtf16BEMark[] = u"UTF-16BE (byte-order mark)";
inline constexpr char16_t kEncodingUtf16LENul[] = u"UTF-16LE (no mark: NUL in odd bytes)";
inline constexpr char16_t kEncodingUtf16BENul[] = u"UTF-16BE (no mark: NUL in even bytes)";
inline constexpr char16_t kEncodingWindows1252[] = u"no mark, not UTF-8 at byte %s: Windows-1252";
inline constexpr char16_t kEncodingUtf8MarkWindows1252[] =
    u"UTF-8 (byte-order mark), not UTF-8 at byte %s: Windows-1252";
inline constexpr char16_t kEncodingChosen[] = u"%s (chosen)";
// Bytes a chosen encoding could not decode; %s is their number, grouped by commas.
inline constexpr char16_t kUndecodable[] =
    u"%s byte(s) could not be decoded and were read as U+FFFD";
// Logged after a conversion: the source's path and DescribeEncoding's text, then
// "; " and kUndecodable's when there were such bytes.
inline constexpr char16_t kEncodingLogged[] = u"Read '%s' as %s";

// How many left-out lines one conversion logs one by one; the total is logged after them.
inline constexpr int kLeftOutLinesLogged = 100;

}  // namespace EngineMessages
