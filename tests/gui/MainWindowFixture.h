// The main window in a real window for the behaviour and preview tests: a settings store
// of its own, the dialog library initialised with it, message boxes recorded, and the
// private temporary directory inside the test's own directory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/string.h>

#include "app/Settings.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/platform/TempDir.h"
#include "ui/CorvaneDlg.h"

class wxWebView;

// A source text: a header "name<sep>value", then rows "row<i><sep><i>" for i from 1.
std::string SourceRows(int count, char separator);

// The window with the members and operations the tests look at.
class CMainWindowProbe : public CCorvaneDlg {
 public:
  using CCorvaneDlg::CheckInputs;
  using CCorvaneDlg::UpdatePreview;
  const CString& SourceFile() const { return m_sourceFile; }
  const CString& Separator() const { return m_separator; }
  const CString& PreviewFile() const { return m_previewFile; }
  void SetPreviewEnabled(int enabled) { m_previewEnabled = enabled; }
};

class MainWindowTest : public testing::Test {
 protected:
  MainWindowTest();
  ~MainWindowTest() override;

  // Opens the window with what the store holds now.
  void Open();
  // Closes the window through its cancel command, as Quit does, and destroys it.
  void Quit();
  // Destroys the window without the cancel command.
  void Destroy();

  // A source file of the test directory with bytes as its content.
  CString Source(const std::string& name, const std::string& bytes);
  // Sets a field's text, which raises its change notification as typing does.
  void SetText(int id, const CString& text);
  // Chooses the entry with text in a drop-down list, as a user's choice does.
  void Choose(int id, const char16_t* text);
  // Presses the Convert button.
  void PressConvert();
  // Sends a WM_COMMAND with wParam to the window, as a menu does; its result.
  BOOL Command(WPARAM wParam);

  // The private temporary directory and the names of the files in it, sorted.
  std::string PrivateTempDir() const;
  std::vector<std::string> TempFiles() const;

  wxWebView* Pane() const;
  // Waits until the pane has loaded the page at path and shows it; false after the timeout.
  bool WaitForPage(const CString& path) const;

  const std::vector<MessageBoxCall>& Boxes() const { return m_boxes.Calls(); }

  TempDir dir;
  CSettings store;
  std::unique_ptr<CMainWindowProbe> dlg;

 private:
  MessageBoxRecorder m_boxes;
  // The pages the pane has finished loading.
  std::shared_ptr<std::vector<wxString>> m_loaded = std::make_shared<std::vector<wxString>>();
  std::string m_savedTmpdir;
  bool m_hadTmpdir = false;
};
