// The Columns dialog's template, registered the first time the dialog is made.
#include <array>

#include "platform/gui/Resources.h"
#include "ui/ColumnsDlg.h"
#include "ui/ColumnsTexts.h"

namespace {

constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

// The table first, so that it has the focus when the dialog opens.
const std::array<DlgControl, 5> kControls = {{
    {IDC_COLUMNS_GRID, kClassGrid, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 7, 7, 326, 160},
    {IDC_OPEN_RECIPE, kClassButton, u"&Open...", kButton, 7, 175, 50, 14},
    {IDC_SAVE_RECIPE, kClassButton, u"&Save...", kButton, 61, 175, 50, 14},
    {IDOK, kClassButton, u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 229, 175, 50,
     14},
    {IDCANCEL, kClassButton, u"Cancel", kButton, 283, 175, 50, 14},
}};

const std::array<DlgTemplate, 1> kDialogs = {{
    {IDD_COLUMNS_DIALOG, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT, 0, 0, 0,
     340, 196, 0, kColumnsCaption, u"MS Shell Dlg", 8, kControls},
}};

const ResourceModule kModule = {kDialogs, {}, {}, {}, {}, {}};

}  // namespace

void RegisterColumnsDialog() {
  AfxAddResourceModule(&kModule);
}
