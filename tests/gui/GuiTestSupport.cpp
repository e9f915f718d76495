#include "tests/gui/GuiTestSupport.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/stopwatch.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "platform/gui/MessageBox.h"

void Pump(int ms) {
  wxStopWatch watch;
  do {
    wxTheApp->ProcessPendingEvents();
    wxYield();
    wxMilliSleep(5);
  } while (watch.Time() < ms);
}

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

wxRect RectOf(wxWindow* window) {
  return window->GetRect();
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
