// Dialog template 102 and its initialisation data.
#include <array>

#include "libs/dlgframe/DlgframeTexts.h"
#include "platform/gui/Resources.h"
#include "ui/CorvaneResources.h"
#include "ui/Resource.h"
#include "ui/ResourceTables.h"

namespace {

constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;  // 0x50020000
constexpr DWORD kField =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;  // 0x50810080
constexpr DWORD kList = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;  // 0x50010000
constexpr DWORD kCheckBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;

static_assert(kLabel == 0x50020000 && kField == 0x50810080 && kList == 0x50210003 &&
              kButton == 0x50010000 && kCheckBox == 0x50010003);

// Template order is tab order: each check box comes right after the controls it sits beside,
// and the custom separator field right after the separator list. The rows fit a window 640
// pixels wide and 480 high: the top label takes two lines where one is too narrow, the
// output's label sits beside its field, the buttons take a row of their own. The encoding
// list is filled from its table when the window opens.
const std::array<DlgControl, 28> kMainControls = {{
    {IDC_SOURCE_LABEL, kClassStatic,
     u"&Source file with data (text or CSV format). The header with column name is required. "
     u"One row per line.",
     kLabel, 7, 3, 459, 16},
    {IDC_SOURCE_FILE, kClassEditBrowse, u"", kField, 43, 22, 423, 14},
    {IDC_STATIC, kClassStatic, u"Value Se&parator", kLabel, 45, 41, 52, 8},
    {IDC_SEPARATOR, kClassComboBox, u"", kList, 109, 39, 66, 76},
    {IDC_CUSTOM_SEPARATOR, kClassEdit, u"", kField | WS_DISABLED, 177, 38, 27, 14},
    {IDC_ENCODING_LABEL, kClassStatic, u"&Encoding", kLabel, 210, 41, 32, 8},
    {IDC_ENCODING, kClassComboBox, u"", kList, 246, 39, 64, 120},
    // Where the table starts and how it is read, on a row of their own under the separator's.
    {IDC_SKIP_LINES_LABEL, kClassStatic, u"Skip &lines", kLabel, 45, 57, 52, 8},
    {IDC_SKIP_LINES, kClassEdit, u"0", kField, 109, 54, 30, 14},
    {IDC_HEADER_LINE, kClassButton, u"First line holds &names", kCheckBox, 149, 56, 90, 10},
    {IDC_QUOTED_FIELDS, kClassButton, u"&Quoted fields", kCheckBox, 245, 56, 58, 10},
    // Two lines: the second says which of several sources the pane shows.
    {IDC_PREVIEW_LABEL, kClassStatic, u"Preview", kLabel, 7, 72, 34, 18},
    {IDC_TARGET_LABEL, kClassStatic, u"Output file", kLabel, 7, 230, 35, 8},
    {IDC_TARGET_FILE, kClassEditBrowse, u"", kField, 43, 228, 423, 14},
    {IDC_CONVERT, kClassButton, u"Con&vert", kButton, 366, 263, 50, 18},
    {IDCANCEL, kClassButton, u"Quit", kButton, 417, 263, 50, 18},
    {IDC_PREVIEW, kClassWebBrowser, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 43, 74, 423, 130},
    // Paging under the pane.
    {IDC_FROM_LINE_LABEL, kClassStatic, u"From l&ine", kLabel, 43, 210, 34, 8},
    {IDC_FROM_LINE, kClassEdit, u"", kField, 79, 208, 44, 14},
    {IDC_PAGE_FIRST, kClassButton, u"Fi&rst", kButton | WS_GROUP, 127, 208, 40, 14},
    {IDC_PAGE_PREVIOUS, kClassButton, u"Previo&us", kButton, 169, 208, 40, 14},
    {IDC_PAGE_NEXT, kClassButton, u"Ne&xt", kButton, 211, 208, 40, 14},
    {IDC_PAGE_LAST, kClassButton, u"L&ast", kButton, 253, 208, 40, 14},
    {IDC_FORMAT_LABEL, kClassStatic, u"Format", kLabel, 44, 247, 24, 8},
    {IDC_FORMAT, kClassComboBox, u"", kList | WS_DISABLED, 78, 245, 64, 42},
    {IDC_TYPED_VALUES, kClassButton, u"&Typed values", kCheckBox, 148, 248, 58, 10},
    {IDC_KEEP_LEFT_OUT, kClassButton, u"&Keep lines left out", kCheckBox, 212, 248, 80, 10},
    {IDC_COLUMNS, kClassButton, u"&Columns...", kButton, 43, 263, 50, 18},
}};

// WS_POPUP, WS_VISIBLE, WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX,
// WS_MAXIMIZEBOX, DS_SETFONT, DS_FIXEDSYS.
constexpr DWORD kMainStyle = 0x90CF0048;

const std::array<DlgTemplate, 1> kDialogs = {{
    {IDD_MAIN_DIALOG, kMainStyle, WS_EX_APPWINDOW, 0, 0, 473, 287, IDR_MAIN_MENU,
     DlgframeTexts::kConverterName, u"MS Shell Dlg", 8, kMainControls},
}};

// The edit-browse mode record: 42 bytes, no terminator.
constexpr std::string_view kFileBrowseMode = "<MFCEditBrowse_Mode>1</MFCEditBrowse_Mode>";
static_assert(kFileBrowseMode.size() == 42);

// The WebBrowser control's initial extent, 16801 by 7064 hundredths of a millimetre, as
// two little-endian 32-bit numbers: the only part of its persisted state a web view uses.
constexpr char kBrowserExtent[] = {'\xA1', '\x41', 0, 0, '\x98', '\x1B', 0, 0};

// The format list is filled from the formats' table when the window opens.
const std::array<DlgInitRecord, 7> kMainInit = {{
    {IDC_SOURCE_FILE, kDlgInitMfcControl, kFileBrowseMode},
    {IDC_SEPARATOR, kDlgInitAddString, std::string_view("<tab>\0", 6)},
    {IDC_SEPARATOR, kDlgInitAddString, std::string_view(",\0", 2)},
    {IDC_SEPARATOR, kDlgInitAddString, std::string_view("|\0", 2)},
    {IDC_SEPARATOR, kDlgInitAddString, std::string_view(";\0", 2)},
    {IDC_TARGET_FILE, kDlgInitMfcControl, kFileBrowseMode},
    {IDC_PREVIEW, kDlgInitOleControl, std::string_view(kBrowserExtent, sizeof kBrowserExtent)},
}};

const std::array<DlgInit, 1> kDialogInits = {{{IDD_MAIN_DIALOG, kMainInit}}};

}  // namespace

std::span<const DlgTemplate> MainDialogTemplates() {
  return kDialogs;
}

std::span<const DlgInit> MainDialogInits() {
  return kDialogInits;
}
