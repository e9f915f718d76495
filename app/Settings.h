// CSettings: the program's settings store, the library's store with the program's keys
// registered with their defaults and reached through one typed accessor each. Every value
// is text, kept exactly as the window's controls show it; a check box's state is "0" or "1".
// The key names are private to it.
#pragma once

#include "libs/suppcore/Settings.h"
#include "ui/MainWindowSettings.h"

class CSettings : public _Settings, public CMainWindowSettings {
 public:
  CSettings();

  CString SourceFile() const override;
  void SetSourceFile(const CString& path) override;
  CString OutputFile() const override;
  void SetOutputFile(const CString& path) override;
  CString Separator() const override;
  void SetSeparator(const CString& text) override;
  CString CustomSeparator() const override;
  void SetCustomSeparator(const CString& text) override;
  CString Format() const override;
  void SetFormat(const CString& text) override;
  CString Encoding() const override;
  void SetEncoding(const CString& text) override;
  bool QuotedFields() const override;
  void SetQuotedFields(bool on) override;
  bool TypedValues() const override;
  void SetTypedValues(bool on) override;
  bool KeepLinesLeftOut() const override;
  void SetKeepLinesLeftOut(bool on) override;
  int SkipLines() const override;
  void SetSkipLines(int lines) override;
  bool HeaderLine() const override;
  void SetHeaderLine(bool on) override;
  std::vector<CString> RecentSources() const override;
  void SetRecentSources(const std::vector<CString>& paths) override;

  // "plans" beside the settings file.
  std::string PlansFolder() const override;

  CString LoadProblem() const override { return _Settings::LoadProblem(); }
  CString SaveData() override { return _Settings::SaveData(); }
};
