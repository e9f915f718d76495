// The dialog library's own resources: the About box.
#include <array>

#include "libs/dlgframe/AboutDlg.h"
#include "platform/gui/Resources.h"

namespace {

constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;

const std::array<DlgControl, 6> kAboutControls = {{
    {IDC_ABOUT_ICON, kClassStatic, u"", WS_CHILD | WS_VISIBLE | SS_ICON, 10, 10, 24, 24},
    {IDC_ABOUT_PRODUCT, kClassStatic, u"", kLabel, 44, 10, 200, 10},
    {IDC_ABOUT_VERSION, kClassStatic, u"", kLabel, 44, 24, 200, 10},
    {IDC_ABOUT_YEARS, kClassStatic, u"", kLabel, 44, 38, 200, 10},
    {IDC_ABOUT_LIBRARIES, kClassStatic, u"", kLabel, 44, 52, 200, 30},
    {IDOK, kClassButton, u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 194, 88, 50,
     14},
}};

const std::array<DlgTemplate, 1> kDialogs = {{
    {IDD_OSTREL_ABOUT, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0,
     254, 110, 0, u"About", u"MS Shell Dlg", 8, kAboutControls},
}};

const ResourceModule kModule = {kDialogs, {}, {}, {}, {}, {}};

}  // namespace

void AfxRegisterDlgframeResources() {
  AfxAddResourceModule(&kModule);
}
