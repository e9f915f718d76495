// The preview page: a complete HTML5 document showing rows as one table. Every name and
// value goes through EscapeHtml, and the page's policy forbids scripts, so nothing from
// the rows can run. All texts are UTF-8.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "libs/suppcore/JsonRows.h"

// The page's title, also the text that a successful rendering returns.
inline constexpr std::string_view kHtmlPageTitle = "Preview";

// One cell: the value and what it was, or nullopt when the row has no member for that
// column.
using HtmlCell = std::optional<JsonScalar>;

// Where a row of the page comes from: its line ("12", or "12-14" for a record over several
// lines) and, for a row left out, why (its text is then not shown).
struct HtmlRowPlace {
  std::string lines;
  std::string leftOut;
};

// Writes the page: a header row with the column names in order (duplicates and empty
// names as they come), then one table row per entry of rows, each holding one cell per
// column, then the notes, one paragraph each. An empty value, a missing member and spaces
// at either end of a text are marked so that they can be told apart at a glance; numbers
// are aligned to the right and true, false and null have a style of their own, so that
// they stand apart from strings of the same text. With no rows the page says "No rows".
// lead: paragraphs above the table (what the page shows, or why it shows no rows).
// places, when given: one per row read, in order, those not left out taking the entries
// of rows in turn; the table then numbers its rows by line and shows each row left out in
// its place, greyed, with its reason. Places past the rows given are not shown.
// types: when given, a row under the names with each column's type, muted.
void WriteHtmlTable(std::ostream& out, const std::vector<std::string>& columns,
                    const std::vector<std::vector<HtmlCell>>& rows,
                    const std::vector<std::string>& notes = {},
                    const std::vector<std::string>& lead = {},
                    const std::vector<HtmlRowPlace>& places = {},
                    const std::vector<std::string>& types = {});

// What a page shows at most, so that any source gives a page a browser handles at once.
inline constexpr std::size_t kHtmlMaxColumns = 100;
inline constexpr std::size_t kHtmlMaxCellCharacters = 200;
inline constexpr std::size_t kHtmlMaxPageBytes = std::size_t{1} << 20;
// The notes of what was cut: the columns shown and the columns there are; the rows shown.
inline constexpr char kHtmlColumnsCut[] = "Only the first %zu of %zu columns are shown.";
inline constexpr char kHtmlCellsCut[] = "Texts longer than %zu characters are cut (\u2026).";
inline constexpr char kHtmlRowsCut[] = "Only the first %zu rows fit in the page.";

// Replaces & < > " ' by their character references, and control characters other than
// tab, line feed and carriage return by U+FFFD.
std::string EscapeHtml(std::string_view text);
