#include "tests/gui/GuiTestSupport.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/stopwatch.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "platform/gui/MessageBox.h"

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  wxStopWatch watch;
  while (!done()) {
    if (watch.Time() > timeoutMs) {
      return false;
    }
    wxTheApp->ProcessPendingEvents();
    wxYield();
    wxMilliSleep(5);
  }
  return true;
}

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

void PressKey(int keyCode, int modifiers) {
  wxUIActionSimulator simulator;
  simulator.Char(keyCode, modifiers);
  Pump(150);
}

void ClickWindow(wxWindow* window) {
  wxUIActionSimulator simulator;
  const wxRect rect = window->GetScreenRect();
  simulator.MouseMove(rect.x + rect.width / 2, rect.y + rect.height / 2);
  Pump(50);
  simulator.MouseClick();
  Pump(150);
}

int FocusedId() {
  CWnd* focus = CWnd::GetFocus();
  return focus != nullptr ? focus->GetDlgCtrlID() : -9999;
}

void FocusOn(CDialog& dialog, int id) {
  dialog.GetDlgItem(id)->SetFocus();
  Pump(50);
}

void PressButton(CDialog& dialog, int id) {
  wxWindow* button = dialog.GetDlgItem(id)->GetWxWindow();
  wxCommandEvent event(wxEVT_BUTTON, id);
  event.SetEventObject(button);
  button->ProcessWindowEvent(event);
}

void ActivateWindow(CDialog& dialog) {
  wxFrame* frame = dialog.GetFrame();
  frame->Raise();
  Pump(100);
  // Without a window manager the X input focus follows the pointer: keep it inside.
  wxUIActionSimulator simulator;
  const wxRect rect = frame->GetScreenRect();
  simulator.MouseMove(rect.x + rect.width / 2, rect.y + 5);
  Pump(100);
}

MessageBoxCall ErrorBox(const CString& text) {
  return {text, u"Error", MB_ICONERROR};
}

MessageBoxCall InfoBox(const CString& text) {
  return {text, u"Information", MB_ICONINFORMATION};
}

void PrintTo(const MessageBoxCall& call, std::ostream* out) {
  *out << "{\"" << call.text.ToUtf8() << "\", \"" << call.caption.ToUtf8() << "\", " << call.type
       << "}";
}

MessageBoxRecorder::MessageBoxRecorder() {
  SetMessageBoxHook([this](const CString& text, const CString& caption, UINT type) {
    m_calls.push_back({text, caption, type});
    return IDOK;
  });
}

MessageBoxRecorder::~MessageBoxRecorder() {
  SetMessageBoxHook(nullptr);
}

ModalDialogRecorder::ModalDialogRecorder(int result, std::function<void(CDialog*)> inspect) {
  SetModalDialogHook([this, result, inspect](CDialog* dialog) {
    m_dialogs.push_back(dialog);
    if (inspect) {
      inspect(dialog);
    }
    dialog->EndDialog(result);
  });
}

ModalDialogRecorder::~ModalDialogRecorder() {
  SetModalDialogHook(nullptr);
}
