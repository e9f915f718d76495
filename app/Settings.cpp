#include "app/Settings.h"

namespace {

constexpr const char16_t* kTextFileName = u"TextFileName";
constexpr const char16_t* kJSONFileName = u"JSONFileName";
constexpr const char16_t* kSeparator = u"Separator";
constexpr const char16_t* kCustom = u"Custom";
constexpr const char16_t* kFormat = u"Format";

}  // namespace

// In this order in the settings file.
CSettings::CSettings() {
  Add(kTextFileName, S_STRING, 0, u"");
  Add(kJSONFileName, S_STRING, 0, u"");
  Add(kSeparator, S_STRING, 0, u"<tab>");
  Add(kCustom, S_STRING, 0, u"");
  Add(kFormat, S_STRING, 0, u"JSON");
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
