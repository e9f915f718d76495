// JSON::ToHTML: renders a JSON file of row objects as the preview page.
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

namespace {

// Reads the whole file into text. Logs and returns false when it cannot.
bool ReadWholeFile(LPCWSTR path, std::string& text) {
  CFile file;
  CFileException error;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) {
    CLog::Bug2(u"Could not open '%s' for read.", path);
    return false;
  }
  try {
    for (std::string_view block = file.NextBlock(); !block.empty(); block = file.NextBlock()) {
      text += block;
      file.Consume(block.size());
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

std::string RenderPage(const std::vector<JsonRowObject>& objects,
                       const std::vector<std::string>& notes) {
  std::vector<std::string> columns;
  if (!objects.empty()) {
    for (const auto& member : objects.front()) {
      columns.push_back(member.first);
    }
  }
  std::vector<std::vector<HtmlCell>> rows;
  rows.reserve(objects.size());
  for (const JsonRowObject& object : objects) {
    rows.push_back(MatchColumns(columns, object));
  }
  std::ostringstream page;
  WriteHtmlTable(page, columns, rows, notes);
  return std::move(page).str();
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

}  // namespace

CString JSON::ToHTML(LPCWSTR jsonPath, LPCWSTR htmlPath, int flags) {
  return ToHTML(jsonPath, htmlPath, flags, {});
}

// Every flag value renders the whole page; the preview passes 1.
CString JSON::ToHTML(LPCWSTR jsonPath, LPCWSTR htmlPath, int /*flags*/,
                     const std::vector<CString>& notes) {
  std::string text;
  if (!ReadWholeFile(jsonPath, text)) {
    return CString();
  }
  std::vector<JsonRowObject> objects;
  std::string error;
  if (!ParseJsonRows(text, objects, error)) {
    CLog::Bug2(u"Could not show '%s' as a table: %s", jsonPath,
               CString::FromUtf8(error).GetString());
    return CString();
  }
  std::vector<std::string> notesUtf8;
  notesUtf8.reserve(notes.size());
  for (const CString& note : notes) {
    notesUtf8.push_back(Utf16ToUtf8(note.View()));
  }
  if (!WritePage(htmlPath, RenderPage(objects, notesUtf8))) {
    return CString();
  }
  return CString::FromUtf8(kHtmlPageTitle);
}
