#include "tests/gui/GuiTestSupport.h"

#include <array>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/stopwatch.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include "platform/gui/Resources.h"

namespace {

constexpr DWORD kField = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kTabStop = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
const std::array<DlgControl, 8> kControls = {{
    {IDC_STATIC, kClassStatic, u"&Name", WS_CHILD | WS_VISIBLE | WS_GROUP, 5, 5, 40, 8},
    {100, kClassEdit, u"", kField, 50, 4, 100, 14},
    {101, kClassComboBox, u"", kTabStop | CBS_DROPDOWNLIST, 50, 24, 60, 50},
    {102, kClassButton, u"&Go", kTabStop, 50, 44, 50, 14},
    {IDCANCEL, kClassButton, u"Cancel", kTabStop, 110, 44, 50, 14},
    {103, kClassEdit, u"", kField | WS_DISABLED, 50, 64, 100, 14},
    {104, kClassEditBrowse, u"", kField, 50, 84, 100, 14},
    {105, kClassWebBrowser, u"", kTabStop, 170, 4, 60, 60},
}};
const std::array<DlgTemplate, 1> kTemplates = {{
    {kTestDialog, 0x90CF0048, 0, 0, 0, 240, 110, 0, u"Test", u"MS Shell Dlg", 8, kControls},
}};
const std::array<DlgInitRecord, 4> kInitRecords = {{
    {101, kDlgInitAddString, std::string_view("<tab>\0", 6)},
    {101, kDlgInitAddString, std::string_view(",\0", 2)},
    {101, kDlgInitAddString, std::string_view("|\0", 2)},
    {104, kDlgInitMfcControl, "<MFCEditBrowse_Mode>1</MFCEditBrowse_Mode>"},
}};
const std::array<DlgInit, 1> kInits = {{{kTestDialog, kInitRecords}}};
const ResourceModule kModule = {kTemplates, kInits, {}, {}, {}, {}};

}  // namespace

void RegisterTestDialog() {
  AfxAddResourceModule(&kModule);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  wxStopWatch watch;
  while (!done()) {
    if (watch.Time() > timeoutMs)
      return false;
    wxTheApp->ProcessPendingEvents();
    wxYield();
    wxMilliSleep(5);
  }
  return true;
}

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

int FocusedId() {
  CWnd* focus = CWnd::GetFocus();
  return focus != nullptr ? focus->GetDlgCtrlID() : -9999;
}

void PressButton(CDialog& dialog, int id) {
  wxWindow* button = dialog.GetDlgItem(id)->GetWxWindow();
  wxCommandEvent event(wxEVT_BUTTON, id);
  event.SetEventObject(button);
  button->ProcessWindowEvent(event);
}

void PrintTo(const MessageBoxCall& call, std::ostream* out) {
  *out << "{\"" << call.text.ToUtf8() << "\", \"" << call.caption.ToUtf8() << "\", " << call.type
       << "}";
}

MessageBoxRecorder::MessageBoxRecorder() {
  SetMessageBoxHook([this](const CString& text, const CString& caption, UINT type) {
    m_calls.push_back({text, caption, type});
    return (type & 0xF) == MB_YESNO ? yesNo : IDOK;
  });
}

ModalDialogRecorder::ModalDialogRecorder(int result, std::function<void(CDialog*)> inspect) {
  SetModalDialogHook([result, inspect](CDialog* dialog) {
    if (inspect)
      inspect(dialog);
    dialog->EndDialog(result);
  });
}
