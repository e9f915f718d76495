// What the preview page says about its source. Tests compare against these, so the
// wording lives in one place. Each %s is a char16_t text, each %lld a long long.
#pragma once

namespace PreviewTexts {

inline constexpr char16_t kBegin[] =
    u"Choose a source file with the button beside the Source file field, or drop one on the "
    u"window, then choose its separator: its first rows show here.";
// The rows shown, the encoding and why (DescribeEncoding), the columns and the separator.
inline constexpr char16_t kShows[] =
    u"The first %lld row(s) of the source: %s, %lld column(s) split by '%s'.";
inline constexpr char16_t kNoRows[] = u"No rows to show: %s, %lld column(s) split by '%s'.";
inline constexpr char16_t kCannotRead[] = u"The source cannot be shown: %s";
inline constexpr char16_t kEmpty[] = u"The file is empty.";
inline constexpr char16_t kHeaderOnly[] = u"The file holds only its header line.";
// The lines read after the header and the header's field count.
inline constexpr char16_t kNoLineMatches[] =
    u"None of the %lld line(s) read after the header has the header's %lld field(s); "
    u"the lines left out are listed below.";
// The line and the preview's limit in MiB.
inline constexpr char16_t kLineTooLong[] =
    u"Line %lld is longer than the %lld MiB the preview reads, or the file has no line feed; "
    u"lines may end with a lone carriage return.";
inline constexpr char16_t kStopped[] =
    u"The preview stopped after reading %lld MiB of the source; the rest is not shown.";
// What the chosen encoding could not decode (UndecodableText), as far as the preview read.
inline constexpr char16_t kUndecodable[] =
    u"%s in what the preview read: the file may be in another encoding.";
inline constexpr char16_t kUtf16Suspected[] =
    u"The header holds many NUL bytes: the file may be UTF-16 without a byte-order mark. "
    u"Save it as UTF-8, or as UTF-16 with its mark.";
// Lines that end with carriage returns alone.
inline constexpr char16_t kOldMacLineEnds[] =
    u"Lines end with carriage returns alone, as in an old Mac file.";
// A new source whose header one column would hold: the separator taken, the one chosen
// before, and the columns the taken one gives.
inline constexpr char16_t kSeparatorTaken[] =
    u"The separator is now '%s': with '%s' the header was one column, with '%s' it is %lld.";
// The other separator and the columns it would give.
inline constexpr char16_t kOtherSeparator[] =
    u"The header is one column with this separator; '%s' would split it into %lld.";

// Where a page is: its first and last line and the source's lines, each grouped by commas;
// "of about" while the lines are still being counted.
inline constexpr char16_t kPlace[] = u"Lines %s-%s of %s.";
inline constexpr char16_t kPlaceAbout[] = u"Lines %s-%s of about %s.";
// The rows of a page further on: the rows read, the encoding, the columns and the
// separator.
inline constexpr char16_t kPageShows[] =
    u"%lld row(s) from here: %s, %lld column(s) split by '%s'.";
// A page asked for past the last row: the line asked for and the source's last line.
inline constexpr char16_t kPastTheEnd[] = u"No rows from line %s on: the source ends at line %s.";
inline constexpr char16_t kPastTheEndAbout[] =
    u"No rows from line %s on: the source ends at about line %s.";
// A row left out past the descriptions a conversion keeps.
inline constexpr char16_t kLeftOut[] = u"Left out.";

}  // namespace PreviewTexts
