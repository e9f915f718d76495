// The window classes over the toolkit: dialogs built from templates, message maps,
// notifications from real controls, keys, modal runs, message boxes and exceptions.
#include <array>
#include <cerrno>
#include <stdexcept>

#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/textctrl.h>

#include "platform/core/File.h"
#include "platform/gui/DataExchange.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/Resources.h"
#include "tests/gui/GuiTestSupport.h"

namespace {

// Names each parameterised test after its case.
const auto ByName = [](const auto& info) { return std::string(info.param.name); };

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
  void OnCancel() override {
    ++cancels;
    CDialog::OnCancel();
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
  int nameChanges = 0, listChanges = 0, goes = 0, cancels = 0;
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
    const wxRect rect = RectOf(Item(res.id));
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
  dlg.GetDlgItem(100)->SetFocus();
  Pump(50);
  PressKey(WXK_END);
  PressKey('x');
  EXPECT_EQ(dlg.GetDlgItem(100)->GetWindowText(), u"abcx");
  EXPECT_EQ(dlg.nameChanges, 2);
}

TEST_F(DialogTest, ChoosingAnEntryRaisesSelectionChangeAndShowsItsText) {
  dlg.GetDlgItem(101)->SendMessage(CB_SETCURSEL, 0, 0);
  EXPECT_EQ(dlg.listChanges, 0) << "a selection by the program is no user's choice";
  dlg.GetDlgItem(101)->SetFocus();
  Pump(50);
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

struct FailureCase {
  const char* name;
  Failure failure;
  const char16_t* expectedText;
};

class DialogFailureTest : public DialogTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(DialogFailureTest, ExceptionFromHandlerIsShownAndTheWindowGoesOn) {
  MessageBoxRecorder boxes;
  dlg.failure = GetParam().failure;
  dlg.SendCommand(102, BN_CLICKED);
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, GetParam().expectedText);
  EXPECT_EQ(boxes.Calls()[0].caption, u"Error");
  EXPECT_EQ(boxes.Calls()[0].type, MB_ICONERROR);
  dlg.failure = Failure::kNone;
  EXPECT_TRUE(dlg.SendCommand(102, BN_CLICKED));
  EXPECT_EQ(dlg.goes, 2);
  EXPECT_TRUE(dlg.GetFrame()->IsShown());
}

INSTANTIATE_TEST_SUITE_P(Failures, DialogFailureTest,
                         testing::Values(FailureCase{"StdException", Failure::kStd,
                                                     u"the handler failed"},
                                         FailureCase{"FileException", Failure::kFile,
                                                     u"/tmp/out.json: No space left on device"}),
                         ByName);

struct KeyCase {
  const char* name;
  int key;
  int modifiers;
  int focusId;             // where the focus is before the key
  WPARAM expectedCommand;  // 0: not checked
  int expectedFocus;       // -1: not checked
};

class DialogKeyTest : public DialogTest, public testing::WithParamInterface<KeyCase> {};

TEST_P(DialogKeyTest, KeyArrivesAsTheWindowsDialogManagerSendsIt) {
  const KeyCase& c = GetParam();
  dlg.GetDlgItem(c.focusId)->SetFocus();
  Pump(50);
  dlg.commands.clear();
  PressKey(c.key, c.modifiers);
  if (c.expectedCommand != 0) {
    ASSERT_FALSE(dlg.commands.empty());
    EXPECT_EQ(dlg.commands.front(), c.expectedCommand);
  }
  if (c.expectedFocus != -1) {
    EXPECT_EQ(FocusedId(), c.expectedFocus);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogKeyTest,
    testing::Values(KeyCase{"Escape", WXK_ESCAPE, 0, 100, MAKEWPARAM(IDCANCEL, 0), -1},
                    KeyCase{"EnterInField", WXK_RETURN, 0, 100, MAKEWPARAM(IDOK, 0), -1},
                    KeyCase{"EnterOnButton", WXK_RETURN, 0, 102, MAKEWPARAM(102, BN_CLICKED), -1},
                    KeyCase{"AltGPressesGo", 'g', wxMOD_ALT, 100, MAKEWPARAM(102, BN_CLICKED), -1},
                    KeyCase{"LabelMnemonicFocusesNextStop", 'n', wxMOD_ALT, IDCANCEL, 0, 100}),
    ByName);

TEST_F(DialogTest, ArrowsOnAButtonMoveWithinItsGroup) {
  dlg.GetDlgItem(102)->SetFocus();
  Pump(50);
  PressKey(WXK_RIGHT);
  EXPECT_EQ(FocusedId(), IDCANCEL);
  PressKey(WXK_DOWN);
  EXPECT_EQ(FocusedId(), 104) << "the disabled field is passed over";
  dlg.GetDlgItem(102)->SetFocus();
  Pump(50);
  PressKey(WXK_LEFT);
  EXPECT_EQ(FocusedId(), 101);
  PressKey(WXK_RIGHT);
  EXPECT_EQ(FocusedId(), 101) << "a list keeps its arrows";
}

TEST_F(DialogTest, EscapeAndCloseBoxReachOnCancel) {
  PressKey(WXK_ESCAPE);
  EXPECT_EQ(dlg.cancels, 1);
  dlg.GetFrame()->Close();
  Pump(50);
  EXPECT_EQ(dlg.cancels, 2);
  EXPECT_NE(dlg.GetFrame(), nullptr) << "the close box does not destroy the window itself";
}

TEST_F(DialogTest, TabOrderIsTemplateOrderWithoutDisabledFieldsOrBrowseButton) {
  dlg.GetDlgItem(100)->SetFocus();
  Pump(50);
  std::vector<int> order{FocusedId()};
  for (int i = 0; i < 5; ++i) {
    PressKey(WXK_TAB);
    order.push_back(FocusedId());
  }
  EXPECT_EQ(order, (std::vector<int>{100, 101, 102, IDCANCEL, 104, 100}));
  PressKey(WXK_TAB, wxMOD_SHIFT);
  EXPECT_EQ(FocusedId(), 104) << "Shift+Tab goes back, round the end";
  PressKey(WXK_TAB, wxMOD_SHIFT);
  EXPECT_EQ(FocusedId(), IDCANCEL);
}

TEST_F(DialogTest, ControlStylesFollowTheTemplate) {
  EXPECT_FALSE(dlg.GetDlgItem(103)->IsWindowEnabled());
  EXPECT_EQ(dlg.GetControlStyle(103) & WS_DISABLED, WS_DISABLED);
  EXPECT_EQ(dlg.GetDlgItem(103)->EnableWindow(TRUE), TRUE) << "was disabled";
  EXPECT_EQ(dlg.GetControlStyle(103) & WS_DISABLED, 0u);
  EXPECT_EQ(dlg.GetControlStyle(100), kField | WS_VISIBLE);
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
  ASSERT_EQ(boxes.Calls().size(), 1u);
  EXPECT_EQ(boxes.Calls()[0].text, u"No dialog template 4242.");
  AfxAddResourceModule(&kModule);
  CDialog bad(9002, nullptr);
  EXPECT_EQ(bad.DoModal(), -1);
  ASSERT_EQ(boxes.Calls().size(), 2u);
  EXPECT_EQ(boxes.Calls()[1].text, u"Unknown window class Bogus of control 7.");
}

struct FilterCase {
  const char* name;
  const char16_t* filter;
  const char* wildcard;
};

class FilterTest : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterTest, FrameworkFilterBecomesToolkitWildcard) {
  EXPECT_EQ(AfxFilterToWildcard(GetParam().filter).utf8_string(), GetParam().wildcard);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterTest,
    testing::Values(FilterCase{"SourceFilter", u"Text files|*.txt|CSV files|*.csv|All Files|*.*||",
                               "Text files|*.txt|CSV files|*.csv|All Files|*.*"},
                    FilterCase{"TargetFilter", u"JSON files|*.json|All Files|*.*||",
                               "JSON files|*.json|All Files|*.*"},
                    FilterCase{"SeveralPatterns", u"Data|*.csv;*.tsv|", "Data|*.csv;*.tsv"},
                    FilterCase{"Unpaired", u"Unpaired|", "All files|*"},
                    FilterCase{"Empty", u"", "All files|*"}),
    ByName);

}  // namespace
