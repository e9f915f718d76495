// Helpers for tests that run real windows: event pumping, keys through the X server,
// the focused control, and recorders for message boxes and modal dialogs.
#pragma once

#include <functional>
#include <vector>

#include <wx/gdicmn.h>

#include "platform/core/CString.h"
#include "platform/gui/Dialog.h"

class wxWindow;

// Handles the toolkit's events for ms milliseconds.
void Pump(int ms);
// Handles events until done() is true or timeoutMs has passed; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);

// Sends a key press and release through the X server (XTest), then handles events.
void PressKey(int keyCode, int modifiers = 0);
// Clicks the middle of window with the left button through the X server.
void ClickWindow(wxWindow* window);

// Id of the dialog control that has the keyboard focus; -9999 when none has it.
int FocusedId();

// The rectangle of window in its parent.
wxRect RectOf(wxWindow* window);

// Makes the dialog's window the one the X server sends keys to.
void ActivateWindow(CDialog& dialog);

struct MessageBoxCall {
  CString text;
  CString caption;
  UINT type;
};

// Replaces message boxes while it lives; every box is recorded and answered with IDOK.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder();
  ~MessageBoxRecorder();
  const std::vector<MessageBoxCall>& Calls() const { return m_calls; }

 private:
  std::vector<MessageBoxCall> m_calls;
};

// Ends every modal dialog with result as soon as its loop runs, recording the dialog.
class ModalDialogRecorder {
 public:
  explicit ModalDialogRecorder(int result = IDOK, std::function<void(CDialog*)> inspect = nullptr);
  ~ModalDialogRecorder();
  const std::vector<CDialog*>& Dialogs() const { return m_dialogs; }

 private:
  std::vector<CDialog*> m_dialogs;
};
