#include "libs/suppcore/HtmlPage.h"

#include <algorithm>

namespace {

// The browser shows the page without scripts or outside resources: the policy lets only
// the inline style through.
constexpr std::string_view kHead =
    "<!DOCTYPE html>\n"
    "<html>\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
    "style-src 'unsafe-inline'\">\n";

// pre-wrap keeps runs of spaces and tabs inside values as they are, so that what the
// conversion wrote is what the table shows.
constexpr std::string_view kStyle =
    "body { font-family: system-ui, sans-serif; font-size: 9pt; margin: 6px; color: #222; "
    "background: #fff; }\n"
    "table { border-collapse: collapse; }\n"
    "th, td { border: 1px solid #c8c8c8; padding: 2px 6px; text-align: left; "
    "vertical-align: top; white-space: pre-wrap; }\n"
    "th { background: #ececec; font-weight: 600; }\n"
    "tbody tr:nth-child(even) { background: #f5f5f5; }\n"
    ".mark { color: #8a8a8a; font-style: italic; font-weight: normal; }\n"
    ".space { background: #fbe3a8; }\n"
    ".note { color: #666; margin: 0 0 6px 0; }\n"
    "table + .note { margin-top: 6px; }\n"
    "td.number { text-align: right; font-variant-numeric: tabular-nums; }\n"
    "td.literal { color: #1a5fb4; font-weight: 600; }\n";

// Only a page that numbers its rows carries these, so that every other page stays as it
// was.
constexpr std::string_view kPlacesStyle =
    ".line { color: #8a8a8a; text-align: right; font-weight: normal; "
    "font-variant-numeric: tabular-nums; }\n"
    "tr.left-out td { color: #8a8a8a; background: #eeeeee; font-style: italic; }\n";

// Only ASCII blanks count as the spaces worth marking at the ends of a text.
constexpr std::string_view kBlanks = " \t\r\n";

// Control characters other than tab, line feed and carriage return are not allowed in an
// HTML document's text; they are shown as U+FFFD.
bool IsControl(char ch) {
  const auto byte = static_cast<unsigned char>(ch);
  return (byte < 0x20 && ch != '\t' && ch != '\n' && ch != '\r') || byte == 0x7f;
}

void WriteMark(std::ostream& out, std::string_view text) {
  out << "<span class=\"mark\">" << text << "</span>";
}

void WriteBlanks(std::ostream& out, std::string_view blanks) {
  out << "<span class=\"space\">" << EscapeHtml(blanks) << "</span>";
}

// Spaces at either end of a value are easy to miss and are usually a fault of the source,
// so they get a background of their own; an empty text gets a muted marker.
void WriteText(std::ostream& out, std::string_view text) {
  if (text.empty()) {
    WriteMark(out, "(empty)");
    return;
  }
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    WriteBlanks(out, text);
    return;
  }
  const size_t end = text.find_last_not_of(kBlanks) + 1;
  if (first > 0) {
    WriteBlanks(out, text.substr(0, first));
  }
  out << EscapeHtml(text.substr(first, end - first));
  if (end < text.size()) {
    WriteBlanks(out, text.substr(end));
  }
}

void WriteHeader(std::ostream& out, const std::vector<std::string>& columns, bool numbered,
                 const std::vector<std::string>& types) {
  if (columns.empty()) {
    return;
  }
  out << "<thead>\n<tr>";
  if (numbered) {
    out << "<th class=\"line\">Line</th>";
  }
  for (const std::string& name : columns) {
    out << "<th>";
    WriteText(out, name);
    out << "</th>";
  }
  out << "</tr>\n";
  if (!types.empty()) {
    out << "<tr class=\"types\">";
    if (numbered) {
      out << "<th class=\"line\"></th>";
    }
    for (std::size_t column = 0; column < columns.size(); ++column) {
      out << "<th class=\"mark\">"
          << EscapeHtml(column < types.size() ? types[column] : std::string()) << "</th>";
    }
    out << "</tr>\n";
  }
  out << "</thead>\n";
}

void WriteRow(std::ostream& out, const std::vector<HtmlCell>& cells, const HtmlRowPlace* place) {
  out << "<tr>";
  if (place != nullptr) {
    out << "<td class=\"line\">" << EscapeHtml(place->lines) << "</td>";
  }
  for (const HtmlCell& cell : cells) {
    using Kind = JsonScalar::Kind;
    const Kind kind = cell ? cell->kind : Kind::kString;
    out << (kind == Kind::kString   ? "<td>"
            : kind == Kind::kNumber ? "<td class=\"number\">"
                                    : "<td class=\"literal\">");
    if (cell) {
      WriteText(out, cell->text);
    } else {
      WriteMark(out, "(missing)");
    }
    out << "</td>";
  }
  out << "</tr>\n";
}

void WriteLeftOut(std::ostream& out, const HtmlRowPlace& place, std::size_t columns) {
  out << "<tr class=\"left-out\"><td class=\"line\">" << EscapeHtml(place.lines)
      << "</td><td colspan=\"" << std::max<std::size_t>(columns, 1) << "\">"
      << EscapeHtml(place.leftOut) << "</td></tr>\n";
}

void WriteBody(std::ostream& out, const std::vector<std::vector<HtmlCell>>& rows,
               const std::vector<HtmlRowPlace>& places, std::size_t columns) {
  if (places.empty()) {
    for (const std::vector<HtmlCell>& cells : rows) {
      WriteRow(out, cells, nullptr);
    }
    return;
  }
  std::size_t row = 0;
  for (const HtmlRowPlace& place : places) {
    if (!place.leftOut.empty()) {
      WriteLeftOut(out, place, columns);
    } else if (row < rows.size()) {
      WriteRow(out, rows[row++], &place);
    } else {
      return;
    }
  }
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char ch : text) {
    switch (ch) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += IsControl(ch) ? std::string_view("\xEF\xBF\xBD") : std::string_view(&ch, 1);
    }
  }
  return escaped;
}

void WriteHtmlTable(std::ostream& out, const std::vector<std::string>& columns,
                    const std::vector<std::vector<HtmlCell>>& rows,
                    const std::vector<std::string>& notes, const std::vector<std::string>& lead,
                    const std::vector<HtmlRowPlace>& places,
                    const std::vector<std::string>& types) {
  out << kHead << "<title>" << EscapeHtml(kHtmlPageTitle) << "</title>\n"
      << "<style>\n"
      << kStyle << (places.empty() ? std::string_view() : kPlacesStyle)
      << "</style>\n</head>\n<body>\n";
  for (const std::string& text : lead) {
    out << "<p>" << EscapeHtml(text) << "</p>\n";
  }
  if (rows.empty() && places.empty()) {
    out << "<p class=\"note\">No rows</p>\n";
  }
  out << "<table>\n";
  WriteHeader(out, columns, !places.empty(), types);
  out << "<tbody>\n";
  WriteBody(out, rows, places, columns.size());
  out << "</tbody>\n</table>\n";
  for (const std::string& note : notes) {
    out << "<p class=\"note\">" << EscapeHtml(note) << "</p>\n";
  }
  out << "</body>\n</html>\n";
}
