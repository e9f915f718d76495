// The main window in a real window: a settings store of its own, the dialog library
// initialised with it, message boxes recorded, and the private temporary directory inside
// the test's own directory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "platform/core/SysCalls.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/platform/TempDir.h"
#include "ui/CorvaneDlg.h"
#include "ui/Resource.h"
#include "ui/WindowTexts.h"

// A source text: a header "name<sep>value", then rows "row<i><sep><i>" for i from 1.
std::string SourceRows(int count, char separator);

// The system calls with every write failing as on a full disk.
SysCalls FullDisk();

// The window with the page it shows.
class CMainWindowProbe : public CCorvaneDlg {
 public:
  const CString& PreviewFile() const { return m_previewFile; }
};

// Public, so that the helpers of parameterised cases drive it too.
class MainWindowTest : public testing::Test {
 public:
  MainWindowTest();
  ~MainWindowTest() override;

  // Opens the window with what the store holds now.
  void Open();
  // Destroys the window without the cancel command.
  void Destroy();

  // A source file of the test directory with bytes as its content.
  CString Source(const std::string& name, const std::string& bytes);
  wxWindow* Item(int id) const { return dlg->GetDlgItem(id)->GetWxWindow(); }
  CString Text(int id) const { return dlg->GetDlgItem(id)->GetWindowText(); }
  // Sets a field's text, which raises its change notification as typing does.
  void SetText(int id, const CString& text) { dlg->SetDlgItemText(id, text); }
  // Chooses the entry with text in a drop-down list, as a user's choice does.
  void Choose(int id, const char16_t* text);
  // Presses Convert with the source's reads slowed to a crawl through the system-call seam,
  // and Cancel in the progress dialog as soon as it shows.
  void ConvertAndCancel();
  // Sends a WM_COMMAND with wParam to the window, as a menu does; its result.
  BOOL Command(WPARAM wParam) { return dlg->SendCommand(LOWORD(wParam), HIWORD(wParam)); }

  // The page the pane shows once it shows what path holds now; empty after the timeout.
  std::string ShownPage(const CString& path) const;

  const BoxList& Boxes() const { return m_boxes.Calls(); }
  // How the next questions are answered: IDYES or IDNO.
  void Answer(int yesNo) { m_boxes.yesNo = yesNo; }

  TempDir dir;
  CSettings store;
  std::unique_ptr<CMainWindowProbe> dlg;

 private:
  MessageBoxRecorder m_boxes;
  // The pages the pane has finished loading.
  std::shared_ptr<std::vector<std::string>> m_loaded = std::make_shared<std::vector<std::string>>();
};
