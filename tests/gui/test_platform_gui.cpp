// The window classes over the toolkit: dialogs built from templates, message maps,
// notifications from real controls, keys, modal runs, message boxes and exceptions.
#include <array>
#include <cerrno>
#include <stdexcept>

#include <gtest/gtest.h>
#include <wx/frame.h>

#include "platform/core/File.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/Resources.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

constexpr UINT kTestDialog = 9001;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD kField = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kList = WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

const std::array<DlgControl, 7> kControls = {{
    {IDC_STATIC, kClassStatic, u"&Name", kLabel, 5, 5, 40, 8},
    {100, kClassEdit, u"", kField, 50, 4, 100, 14},
    {101, kClassComboBox, u"", kList, 50, 24, 60, 50},
    {102, kClassButton, u"&Go", kButton, 50, 44, 50, 14},
    {IDCANCEL, kClassButton, u"Cancel", kButton, 110, 44, 50, 14},
    {103, kClassEdit, u"", kField | WS_DISABLED, 50, 64, 100, 14},
    {104, kClassEditBrowse, u"", kField, 50, 84, 100, 14},
}};
const std::array<DlgControl, 1> kBadControls = {{{7, u"Bogus", u"", kButton, 0, 0, 10, 10}}};
const std::array<DlgTemplate, 2> kTemplates = {{
    {kTestDialog, 0x90CF0048, 0, 0, 0, 200, 110, 0, u"Test", u"MS Shell Dlg", 8, kControls},
    {9002, 0x90CF0048, 0, 0, 0, 100, 50, 0, u"Bad", u"MS Shell Dlg", 8, kBadControls},
}};
const std::array<DlgInitRecord, 3> kInitRecords = {{
    {101, kDlgInitAddString, std::string_view("a\0", 2)},
    {101, kDlgInitAddString, std::string_view("b\0", 2)},
    {104, kDlgInitMfcControl, "<MFCEditBrowse_Mode>1</MFCEditBrowse_Mode>"},
}};
const std::array<DlgInit, 1> kInits = {{{kTestDialog, kInitRecords}}};
const ResourceModule kModule = {kTemplates, kInits, {}, {}, {}, {}};

enum class Failure { kNone, kStd, kFile };

class CTestDlg : public CDialog {
 public:
  CTestDlg() : CDialog(kTestDialog, nullptr) {}
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back(wParam);
    return CDialog::OnCommand(wParam, lParam);
  }
  void OnDestroy() override { frameAtDestroy = GetFrame() != nullptr; }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, 100, name);
    DDX_Control(pDX, missingId, list);
  }

  void OnNameChanged() { ++nameChanges; }
  void OnListChanged() { ++listChanges; }
  void OnGo() {
    ++goes;
    if (failure == Failure::kStd) {
      throw std::runtime_error("the handler failed");
    }
    if (failure == Failure::kFile) {
      throw CFileException(CFileException::diskFull, ENOSPC, u"/tmp/out.json");
    }
  }

  std::vector<WPARAM> commands;
  int nameChanges = 0, listChanges = 0, goes = 0;
  bool frameAtDestroy = false;
  Failure failure = Failure::kNone;
  int missingId = 101;
  CWnd name;
  CWnd list;

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
    AfxAddResourceModule(&kModule);
    ASSERT_TRUE(dlg.Create());
    ActivateWindow(dlg);
  }
  void TearDown() override { dlg.DestroyWindow(); }
  wxWindow* Item(int id) { return dlg.GetDlgItem(id)->GetWxWindow(); }

  CDerivedTestDlg dlg;
};

TEST_F(DialogTest, ControlsSitAtTheirTemplatePositionsInDialogUnits) {
  wxWindow* panel = dlg.GetClientWindow();
  for (const DlgControl& res : kControls) {
    if (res.id == IDC_STATIC) {
      continue;
    }
    SCOPED_TRACE(res.id);
    const wxRect rect = Item(res.id)->GetRect();
    EXPECT_EQ(rect.GetPosition(), panel->ConvertDialogToPixels(wxPoint(res.x, res.y)));
    if (res.className != kClassComboBox) {
      EXPECT_EQ(rect.GetSize(), panel->ConvertDialogToPixels(wxSize(res.cx, res.cy)));
    }
  }
}

TEST_F(DialogTest, SettingTextAndTypingRaiseOneChangeNotificationEach) {
  dlg.SetDlgItemText(100, u"abc");
  Pump(50);
  EXPECT_EQ(dlg.nameChanges, 1);
  EXPECT_EQ(dlg.commands.back(), MAKEWPARAM(100, EN_CHANGE));
  FocusOn(dlg, 100);
  PressKey(WXK_END);
  PressKey('x');
  EXPECT_EQ(dlg.GetDlgItem(100)->GetWindowText(), u"abcx");
  EXPECT_EQ(dlg.nameChanges, 2);
}

TEST_F(DialogTest, ChoosingAnEntryRaisesSelectionChangeAndShowsItsText) {
  dlg.GetDlgItem(101)->SendMessage(CB_SETCURSEL, 0, 0);
  EXPECT_EQ(dlg.listChanges, 0) << "a selection by the program is no user's choice";
  FocusOn(dlg, 101);
  PressKey(WXK_DOWN);
  EXPECT_EQ(dlg.listChanges, 1);
  EXPECT_EQ(dlg.GetDlgItem(101)->GetWindowText(), u"b");
}

TEST_F(DialogTest, ClickReachesTheHandlerAndDerivedAndBaseMapsBothApply) {
  ClickWindow(Item(102));
  EXPECT_EQ(dlg.commands.back(), MAKEWPARAM(102, BN_CLICKED));
  EXPECT_TRUE(dlg.SendCommand(103, EN_CHANGE));
  EXPECT_EQ(dlg.goes, 1);
  EXPECT_EQ(dlg.disabledChanges, 1);
  EXPECT_FALSE(dlg.SendCommand(102, EN_CHANGE)) << "the code is part of the key";
  EXPECT_FALSE(dlg.SendCommand(555, BN_CLICKED));
}

TEST_F(DialogTest, ExceptionFromHandlerIsShownAndTheWindowGoesOn) {
  MessageBoxRecorder boxes;
  dlg.failure = Failure::kStd;
  dlg.SendCommand(102, BN_CLICKED);
  dlg.failure = Failure::kFile;
  dlg.SendCommand(102, BN_CLICKED);
  dlg.failure = Failure::kNone;
  EXPECT_TRUE(dlg.SendCommand(102, BN_CLICKED));
  EXPECT_EQ(boxes.Calls(), (BoxList{ErrorBox(u"the handler failed"),
                                    ErrorBox(u"/tmp/out.json: No space left on device")}));
  EXPECT_EQ(dlg.goes, 3);
  EXPECT_TRUE(dlg.GetFrame()->IsShown());
}

// Enter on a button presses it; elsewhere it is the default command, IDOK (last: it closes).
TEST_F(DialogTest, EnterPressesAFocusedButtonAndIsIdOkInAField) {
  for (auto [focus, command] :
       {std::pair{102, MAKEWPARAM(102, BN_CLICKED)}, std::pair{100, MAKEWPARAM(IDOK, 0)}}) {
    FocusOn(dlg, focus);
    dlg.commands.clear();
    PressKey(WXK_RETURN);
    ASSERT_FALSE(dlg.commands.empty());
    EXPECT_EQ(dlg.commands.front(), command);
  }
}

TEST_F(DialogTest, ArrowsOnAButtonMoveWithinItsGroup) {
  FocusOn(dlg, 102);
  PressKey(WXK_RIGHT);
  EXPECT_EQ(FocusedId(), IDCANCEL);
  PressKey(WXK_DOWN);
  EXPECT_EQ(FocusedId(), 104) << "the disabled field is passed over";
  FocusOn(dlg, 102);
  PressKey(WXK_LEFT);
  EXPECT_EQ(FocusedId(), 101);
  PressKey(WXK_RIGHT);
  EXPECT_EQ(FocusedId(), 101) << "a list keeps its arrows";
}

TEST_F(DialogTest, DataExchangeBindsMembersAndRefusesUnknownIds) {
  dlg.UpdateData(FALSE);
  EXPECT_EQ(dlg.GetDlgItem(100), &dlg.name);
  dlg.name.SetWindowText(u"bound");
  EXPECT_EQ(dlg.GetDlgItem(100)->GetWindowText(), u"bound");
  dlg.missingId = 999;
  EXPECT_THROW(dlg.UpdateData(FALSE), std::runtime_error);
}

TEST(DialogModalTest, DoModalRunsUntilEndDialogAndReturnsItsResult) {
  AfxAddResourceModule(&kModule);
  CTestDlg dlg;
  bool shownInLoop = false;
  ModalDialogRecorder modal(IDOK, [&](CDialog* d) { shownInLoop = d->GetFrame()->IsShown(); });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(shownInLoop);
  EXPECT_TRUE(dlg.frameAtDestroy);
  EXPECT_EQ(dlg.GetFrame(), nullptr);
  EXPECT_FALSE(dlg.name.IsWindow());
}

TEST(DialogModalTest, MissingTemplateOrUnknownClassFailsWithAMessage) {
  MessageBoxRecorder boxes;
  CDialog missing(4242, nullptr);
  EXPECT_EQ(missing.DoModal(), -1);
  AfxAddResourceModule(&kModule);
  CDialog bad(9002, nullptr);
  EXPECT_EQ(bad.DoModal(), -1);
  ASSERT_EQ(boxes.Calls().size(), 2u);
  EXPECT_EQ(boxes.Calls()[0].text, u"No dialog template 4242.");
  EXPECT_EQ(boxes.Calls()[1].text, u"Unknown window class Bogus of control 7.");
}

TEST(FilterTest, FrameworkFilterBecomesToolkitWildcard) {
  EXPECT_EQ(AfxFilterToWildcard(u"Data|*.csv;*.tsv|"), "Data|*.csv;*.tsv");
  EXPECT_EQ(AfxFilterToWildcard(u"Unpaired|"), "All files|*");
  EXPECT_EQ(AfxFilterToWildcard(u""), "All files|*");
}

}  // namespace
