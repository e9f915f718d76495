#include "app/Settings.h"

#include <algorithm>

#include "engine/conversion/OutputFormat.h"
#include "engine/rows/Separators.h"
#include "ui/RecentSources.h"

namespace {

constexpr const char16_t* kTextFileName = u"TextFileName";
constexpr const char16_t* kJSONFileName = u"JSONFileName";
constexpr const char16_t* kSeparator = u"Separator";
constexpr const char16_t* kCustom = u"Custom";
constexpr const char16_t* kFormat = u"Format";
constexpr const char16_t* kEncoding = u"Encoding";
constexpr const char16_t* kAutomatic = u"Automatic";
constexpr const char16_t* kQuoted = u"Quoted";
constexpr const char16_t* kTypes = u"Types";
constexpr const char16_t* kRejects = u"Rejects";
constexpr const char16_t* kSkipLines = u"SkipLines";
constexpr const char16_t* kHeader = u"Header";
constexpr const char16_t* kOff = u"0";
constexpr const char16_t* kOn = u"1";

// One key a source, so that any path's text round-trips as the other texts do.
CString RecentKey(size_t number) {
  CString key;
  key.Format(u"RecentSource%d", static_cast<int>(number));
  return key;
}

}  // namespace

// In this order in the settings file.
CSettings::CSettings() {
  Add(kTextFileName, S_STRING, 0, u"");
  Add(kJSONFileName, S_STRING, 0, u"");
  Add(kSeparator, S_STRING, 0, kTabSeparatorText);
  Add(kCustom, S_STRING, 0, u"");
  // The format list's labels are the stored values.
  Add(kFormat, S_STRING, 0, CString::FromUtf8(NameOf(OutputFormat::Json).label));
  // A store written before these keys existed reads as both off.
  Add(kQuoted, S_STRING, 0, kOff);
  Add(kTypes, S_STRING, 0, kOff);
  Add(kSkipLines, S_STRING, 0, u"0");
  Add(kHeader, S_STRING, 0, kOn);
  // The encoding list's items are the stored values; the window falls back to Automatic
  // for any other text.
  Add(kEncoding, S_STRING, 0, kAutomatic);
  Add(kRejects, S_STRING, 0, kOff);
  for (size_t i = 1; i <= kRecentSources; ++i) {
    Add(RecentKey(i), S_STRING, 0, u"");
  }
}

CString CSettings::SourceFile() const {
  return getStr(kTextFileName);
}
void CSettings::SetSourceFile(const CString& path) {
  setStr(kTextFileName, path);
}
CString CSettings::OutputFile() const {
  return getStr(kJSONFileName);
}
void CSettings::SetOutputFile(const CString& path) {
  setStr(kJSONFileName, path);
}
CString CSettings::Separator() const {
  return getStr(kSeparator);
}
void CSettings::SetSeparator(const CString& text) {
  setStr(kSeparator, text);
}
CString CSettings::CustomSeparator() const {
  return getStr(kCustom);
}
void CSettings::SetCustomSeparator(const CString& text) {
  setStr(kCustom, text);
}
CString CSettings::Format() const {
  return getStr(kFormat);
}
void CSettings::SetFormat(const CString& text) {
  setStr(kFormat, text);
}
CString CSettings::Encoding() const {
  return getStr(kEncoding);
}
void CSettings::SetEncoding(const CString& text) {
  setStr(kEncoding, text);
}
// Anything but "1" (a hand-edited "yes", an empty text) is off, as the default is.
bool CSettings::QuotedFields() const {
  return getStr(kQuoted) == kOn;
}
void CSettings::SetQuotedFields(bool on) {
  setStr(kQuoted, on ? kOn : kOff);
}
bool CSettings::TypedValues() const {
  return getStr(kTypes) == kOn;
}
void CSettings::SetTypedValues(bool on) {
  setStr(kTypes, on ? kOn : kOff);
}
bool CSettings::KeepLinesLeftOut() const {
  return getStr(kRejects) == kOn;
}
void CSettings::SetKeepLinesLeftOut(bool on) {
  setStr(kRejects, on ? kOn : kOff);
}
// A hand-edited negative count skips nothing.
int CSettings::SkipLines() const {
  return std::max(getInt(kSkipLines), 0);
}
void CSettings::SetSkipLines(int lines) {
  setInt(kSkipLines, lines);
}
// On unless "0": the names line is the usual case, and a store without the key has one.
bool CSettings::HeaderLine() const {
  return !(getStr(kHeader) == kOff);
}
void CSettings::SetHeaderLine(bool on) {
  setStr(kHeader, on ? kOn : kOff);
}

std::string CSettings::PlansFolder() const {
  const std::string path = GetPath();
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash) + "/plans";
}

std::vector<CString> CSettings::RecentSources() const {
  std::vector<CString> paths;
  for (size_t i = 1; i <= kRecentSources; ++i) {
    if (CString path = getStr(RecentKey(i)); !path.IsEmpty()) {
      paths.push_back(std::move(path));
    }
  }
  return paths;
}
void CSettings::SetRecentSources(const std::vector<CString>& paths) {
  for (size_t i = 1; i <= kRecentSources; ++i) {
    setStr(RecentKey(i), i <= paths.size() ? paths[i - 1] : CString());
  }
}
