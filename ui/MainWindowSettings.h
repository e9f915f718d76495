// CMainWindowSettings: what the main window keeps from one run to the next, one getter and
// one setter per value. The application's store (CSettings) implements it and hands it to
// the window, so the window names no keys and needs nothing above it.
#pragma once

#include <string>
#include <vector>

#include "platform/core/CString.h"

class CMainWindowSettings {
 public:
  virtual ~CMainWindowSettings() = default;

  // Path of the delimited text file to convert.
  virtual CString SourceFile() const = 0;
  virtual void SetSourceFile(const CString& path) = 0;
  // Path of the JSON, JSON Lines or BSON file to write.
  virtual CString OutputFile() const = 0;
  virtual void SetOutputFile(const CString& path) = 0;
  // Text of the separator list's selected item ("<tab>", ",", "|" or "Custom").
  virtual CString Separator() const = 0;
  virtual void SetSeparator(const CString& text) = 0;
  // Text of the custom separator field.
  virtual CString CustomSeparator() const = 0;
  virtual void SetCustomSeparator(const CString& text) = 0;
  // Text of the format list's selected item.
  virtual CString Format() const = 0;
  virtual void SetFormat(const CString& text) = 0;
  // Text of the encoding list's selected item ("Automatic" at first).
  virtual CString Encoding() const = 0;
  virtual void SetEncoding(const CString& text) = 0;
  // Whether quoted fields are read, and whether values are written typed; both off at first.
  virtual bool QuotedFields() const = 0;
  virtual void SetQuotedFields(bool on) = 0;
  virtual bool TypedValues() const = 0;
  virtual void SetTypedValues(bool on) = 0;
  // Whether Convert keeps the lines left out beside the output; off at first.
  virtual bool KeepLinesLeftOut() const = 0;
  virtual void SetKeepLinesLeftOut(bool on) = 0;
  // Lines before the header to skip (0 at first), and whether the first line holds the
  // column names (on at first).
  virtual int SkipLines() const = 0;
  virtual void SetSkipLines(int lines) = 0;
  virtual bool HeaderLine() const = 0;
  virtual void SetHeaderLine(bool on) = 0;

  // The folder of the columns chosen for each header seen (RememberedPlans.h); empty keeps
  // none.
  virtual std::string PlansFolder() const = 0;
  // The sources the source field offers again, latest first (none at first).
  virtual std::vector<CString> RecentSources() const = 0;
  virtual void SetRecentSources(const std::vector<CString>& paths) = 0;

  // What the user must be told about the settings found at start (a file that could not
  // be used and was moved aside); empty when there is nothing to say.
  virtual CString LoadProblem() const = 0;
  // Makes the values persistent for the next run; empty, or the text that says which file
  // could not be written and why.
  virtual CString SaveData() = 0;
};
