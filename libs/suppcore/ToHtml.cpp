// JSON::ToHTML: renders a JSON file of row objects as the preview page.
#include <istream>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "libs/suppcore/HtmlPage.h"
#include "libs/suppcore/JSON.h"
#include "libs/suppcore/JsonRows.h"
#include "libs/suppcore/Log.h"
#include "platform/core/File.h"
#include "platform/core/FileSystem.h"
#include "platform/core/Formatted.h"

namespace {

// The file's bytes as a stream, read block by block: the file is never held whole, since
// rows of millions of members make it many times the page. A read error passes through
// as the file's CFileException.
class FileStreamBuffer : public std::streambuf {
 public:
  explicit FileStreamBuffer(CFile& file) : m_file(file) {}

 protected:
  int_type underflow() override {
    m_file.Consume(m_taken);
    const std::string_view block = m_file.NextBlock();
    m_taken = block.size();
    if (block.empty())
      return traits_type::eof();
    char* begin = const_cast<char*>(block.data());
    setg(begin, begin, begin + block.size());
    return traits_type::to_int_type(*begin);
  }

 private:
  CFile& m_file;
  std::size_t m_taken = 0;
};

// Reads the rows that a page shows. Logs and returns false when it cannot.
bool ReadRows(LPCWSTR path, JsonRowTable& table) {
  CFile file;
  CFileException error;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) {
    CLog::Bug2(u"Could not open '%s' for read.", path);
    return false;
  }
  try {
    FileStreamBuffer buffer(file);
    std::istream in(&buffer);
    std::string reason;
    if (!ParseJsonRows(in, kHtmlMaxColumns, table, reason)) {
      CLog::Bug2(u"Could not show '%s' as a table: %s", path,
                 CString::FromUtf8(reason).GetString());
      return false;
    }
    file.Close();
  } catch (const CFileException& ex) {
    CLog::Bug2(u"Could not read '%s': %s", path, ex.GetErrorMessage().GetString());
    return false;
  }
  return true;
}

// The cells of one object under the columns. An object written by the JSON class has the
// columns' names in their order and is taken as it is; any other is matched by name, the
// n-th column of a name taking the object's n-th member of that name. Members under no
// column are not shown.
std::vector<HtmlCell> MatchColumns(const std::vector<std::string>& columns,
                                   const JsonRowObject& object) {
  std::vector<HtmlCell> cells(columns.size());
  std::unordered_map<std::string_view, size_t> nextOfName;
  bool inStep = true;
  for (size_t column = 0; column < columns.size(); ++column) {
    const std::string& name = columns[column];
    if (inStep && column < object.size() && object[column].first == name) {
      cells[column] = object[column].second;
      continue;
    }
    if (inStep) {
      // The members before this column were taken in order, by the columns of their name.
      inStep = false;
      for (size_t member = 0; member < column && member < object.size(); ++member) {
        nextOfName[object[member].first] = member + 1;
      }
    }
    size_t& next = nextOfName[name];
    while (next < object.size() && object[next].first != name) {
      ++next;
    }
    if (next < object.size()) {
      cells[column] = object[next++].second;
    }
  }
  return cells;
}

// Cuts a UTF-8 text after its first kHtmlMaxCellCharacters characters; true when cut.
bool CutText(std::string& text) {
  std::size_t characters = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 &&
        characters++ == kHtmlMaxCellCharacters) {
      text.resize(at);
      text += "\u2026";
      return true;
    }
  }
  return false;
}

// The page within its bounds: the first columns, each text cut to its length, and as
// many rows as the page's size allows, with a note of each cut.
std::string RenderPage(JsonRowTable& table, std::vector<std::string> notes,
                       const std::vector<std::string>& lead,
                       const std::vector<HtmlRowPlace>& places,
                       const std::vector<std::pair<std::string, std::string>>& typesByName) {
  std::vector<std::string>& columns = table.columns;
  // Matched by name: a member left out of the first row takes no column, and the others keep
  // their types.
  std::vector<std::string> types;
  if (!typesByName.empty()) {
    const std::unordered_map<std::string, std::string> typeOf(typesByName.begin(),
                                                              typesByName.end());
    for (const std::string& name : columns) {
      const auto found = typeOf.find(name);
      types.push_back(found != typeOf.end() ? found->second : std::string());
    }
  }
  std::vector<std::vector<HtmlCell>> rows;
  rows.reserve(table.objects.size());
  for (const JsonRowObject& object : table.objects) {
    rows.push_back(MatchColumns(columns, object));
  }
  if (table.columnCount > columns.size()) {
    notes.push_back(Formatted(kHtmlColumnsCut, columns.size(), table.columnCount));
  }
  bool cut = false;
  for (std::string& name : columns) {
    cut |= CutText(name);
  }
  for (std::vector<HtmlCell>& cells : rows) {
    for (HtmlCell& cell : cells) {
      cut |= cell && CutText(cell->text);
    }
  }
  if (cut) {
    notes.push_back(Formatted(kHtmlCellsCut, kHtmlMaxCellCharacters));
  }
  // A cell may grow sixfold when escaped: drop rows from the end until the page fits.
  for (const std::size_t all = rows.size();;) {
    std::ostringstream page;
    std::vector<std::string> pageNotes = notes;
    if (rows.size() < all) {
      pageNotes.push_back(Formatted(kHtmlRowsCut, rows.size()));
    }
    WriteHtmlTable(page, columns, rows, pageNotes, lead, places, types);
    if (page.tellp() < static_cast<std::streamoff>(kHtmlMaxPageBytes) || rows.empty()) {
      return std::move(page).str();
    }
    rows.pop_back();
  }
}

// Writes the page; a page that could not be written whole is removed, so that a broken
// file is never shown as the preview.
bool WritePage(LPCWSTR path, const std::string& page) {
  CFile file;
  CFileException error;
  if (!file.Open(path, CFile::modeCreate | CFile::modeWrite, &error)) {
    CLog::Bug2(u"Could not open or create destination file '%s'", path);
    return false;
  }
  try {
    file.WriteBytes(page);
    file.Close();
  } catch (const CFileException& ex) {
    file.Abort();
    _wunlink(path);
    CLog::Bug2(u"Could not write '%s': %s", path, ex.GetErrorMessage().GetString());
    return false;
  }
  return true;
}

std::vector<std::string> ToUtf8(const std::vector<CString>& texts) {
  std::vector<std::string> utf8;
  utf8.reserve(texts.size());
  for (const CString& text : texts) {
    utf8.push_back(Utf16ToUtf8(text.View()));
  }
  return utf8;
}

}  // namespace

CString JSON::ToHTML(LPCWSTR jsonPath, LPCWSTR htmlPath, int flags) {
  return ToHTML(jsonPath, htmlPath, flags, {});
}

// Every flag value renders the whole page; the preview passes 1.
CString JSON::ToHTML(LPCWSTR jsonPath, LPCWSTR htmlPath, int /*flags*/,
                     const std::vector<CString>& notes, const std::vector<CString>& lead,
                     const std::vector<HtmlRowPlace>& places,
                     const std::vector<std::pair<std::string, std::string>>& types) {
  JsonRowTable table;
  if (!ReadRows(jsonPath, table)) {
    return CString();
  }
  if (!WritePage(htmlPath, RenderPage(table, ToUtf8(notes), ToUtf8(lead), places, types))) {
    return CString();
  }
  return CString::FromUtf8(kHtmlPageTitle);
}
