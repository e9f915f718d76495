// The window classes over the toolkit: dialogs built from templates, message maps,
// notifications from real controls, keys, modal runs, message boxes and exceptions.
#include <cerrno>
#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>
#include <wx/frame.h>

#include "platform/core/File.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/LaunchUrl.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/Resources.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

class CTestDlg : public CDialog {
 public:
  CTestDlg() : CDialog(kTestDialog, nullptr) {}
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back(wParam);
    return CDialog::OnCommand(wParam, lParam);
  }
  void OnDestroy() override { frameAtDestroy = GetFrame() != nullptr; }

  void OnNameChanged() { ++nameChanges; }
  void OnListChanged() { ++listChanges; }
  void OnGo() {
    ++goes;
    go();
  }

  std::vector<WPARAM> commands;
  int nameChanges = 0, listChanges = 0, goes = 0;
  bool frameAtDestroy = false;
  std::function<void()> go = [] {};

  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
ON_EN_CHANGE(100, OnNameChanged)
ON_CBN_SELCHANGE(101, OnListChanged)
ON_BN_CLICKED(102, OnGo)
END_MESSAGE_MAP()

// A derived window adds an entry of its own; the base's entries still apply.
class CDerivedTestDlg : public CTestDlg {
 public:
  void OnDisabledChanged() { ++disabledChanges; }
  int disabledChanges = 0;
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestDlg, CTestDlg)
ON_EN_CHANGE(103, OnDisabledChanged)
END_MESSAGE_MAP()

class DialogTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterTestDialog();
    ASSERT_TRUE(dlg.Create());
    ActivateWindow(dlg);
  }

  CDerivedTestDlg dlg;
};

// A selection by the program is no user's choice; one by a key is.
TEST_F(DialogTest, ControlsNotifyTheMessageMapsOfTheWindowAndItsBase) {
  dlg.SetDlgItemText(100, u"abc");
  PumpUntil([&] { return dlg.nameChanges > 0; });
  EXPECT_EQ(dlg.nameChanges, 1);
  FocusOn(dlg, 100);
  PressKey(WXK_END);
  PressKey('x');
  EXPECT_EQ(dlg.GetDlgItem(100)->GetWindowText(), u"abcx");
  EXPECT_EQ(dlg.nameChanges, 2);

  dlg.GetDlgItem(101)->SendMessage(CB_SETCURSEL, 0, 0);
  EXPECT_EQ(dlg.listChanges, 0);
  FocusOn(dlg, 101);
  PressKey(WXK_DOWN);
  EXPECT_EQ(dlg.listChanges, 1);
  EXPECT_EQ(dlg.GetDlgItem(101)->GetWindowText(), u",");

  PressButton(dlg, 102);
  EXPECT_EQ(dlg.commands.back(), MAKEWPARAM(102, BN_CLICKED));
  EXPECT_TRUE(dlg.SendCommand(103, EN_CHANGE));
  EXPECT_EQ(dlg.goes, 1);
  EXPECT_EQ(dlg.disabledChanges, 1);
  EXPECT_FALSE(dlg.SendCommand(102, EN_CHANGE)) << "the code is part of the key";
}

// A scheme no program handles: the launch fails with the system's reason, the toolkit's
// launcher and its box of its own left out.
TEST(LaunchUrlTest, AnAddressNoProgramOpensFailsWithTheSystemsReason) {
  SetUrlLaunchHook(nullptr);
  CString reason;
  EXPECT_FALSE(AfxLaunchUrl(u"corvane-no-program:x", &reason));
  SetUrlLaunchHook([](const CString&) { return true; });
  EXPECT_FALSE(reason.IsEmpty());
}

TEST_F(DialogTest, ExceptionFromHandlerIsShownAndTheWindowGoesOn) {
  MessageBoxRecorder boxes;
  dlg.go = [] { throw std::runtime_error("the handler failed"); };
  dlg.SendCommand(102, BN_CLICKED);
  dlg.go = [] { throw CFileException(CFileException::diskFull, ENOSPC, u"/tmp/out.json"); };
  dlg.SendCommand(102, BN_CLICKED);
  EXPECT_EQ(boxes.Calls(), (BoxList{ErrorBox(u"the handler failed"),
                                    ErrorBox(u"/tmp/out.json: No space left on device")}));
  dlg.go = [] {};
  EXPECT_TRUE(dlg.SendCommand(102, BN_CLICKED));
  EXPECT_TRUE(dlg.GetFrame()->IsShown());
}

// A file chosen to save without an extension gets the default one.
TEST_F(DialogTest, BrowseForSavingCompletesTheDefaultExtension) {
  auto* box = dynamic_cast<CEditBrowseBox*>(dlg.GetDlgItem(104)->GetWxWindow());
  box->SetFileDialog(u"json", u"JSON files|*.json||");
  EXPECT_EQ(box->GetWildcard(), "JSON files|*.json");
  EXPECT_EQ(box->CompletePath(u"/tmp/out"), u"/tmp/out") << "an opened file keeps its name";
  box->SetSaveDialog(true);
  EXPECT_EQ(box->CompletePath(u"/tmp/out"), u"/tmp/out.json");
  EXPECT_EQ(box->CompletePath(u"/tmp/out.bson"), u"/tmp/out.bson");
  EXPECT_EQ(AfxFilterToWildcard(u"Unpaired|"), "All files|*");
}

TEST(DialogModalTest, DoModalRunsUntilEndDialogAndFailsWithAMessageWithoutATemplate) {
  RegisterTestDialog();
  CTestDlg dlg;
  bool shownInLoop = false;
  ModalDialogRecorder modal(IDOK, [&](CDialog* d) { shownInLoop = d->GetFrame()->IsShown(); });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(shownInLoop);
  EXPECT_TRUE(dlg.frameAtDestroy);
  EXPECT_EQ(dlg.GetFrame(), nullptr);
  MessageBoxRecorder boxes;
  EXPECT_EQ(CDialog(4242, nullptr).DoModal(), -1);
  EXPECT_EQ(boxes.Calls(), BoxList{ErrorBox(u"No dialog template 4242.")});
}

}  // namespace
