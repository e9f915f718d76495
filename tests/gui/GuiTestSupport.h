// Helpers for tests that run real windows: event pumping, keys through the X server,
// the focused control, and recorders for message boxes and modal dialogs.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/gui/Dialog.h"
#include "platform/gui/MessageBox.h"

#include "tests/support/NamedCase.h"

class wxWindow;

using corvane_test::ByName;

// A dialog for the window classes' own tests: the label "&Name", field 100, list 101
// holding "<tab>", "," and "|", button 102 "&Go", Cancel, disabled field 103, edit-browse
// field 104 and browser pane 105, in that order.
inline constexpr UINT kTestDialog = 9001;
void RegisterTestDialog();

// Handles the toolkit's events for ms milliseconds: only for a wait with nothing to wait
// for (that something does not happen).
void Pump(int ms);
// Handles events until done() is true or timeoutMs has passed; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);

// Sends a key press and release through the X server (XTest), then handles events until
// the program has had both; a key that does not arrive within 3 s fails the test.
void PressKey(int keyCode, int modifiers = 0);
// Gives the dialog's control id the keyboard focus and waits until it has it.
void FocusOn(CDialog& dialog, int id);
// Presses the dialog's button id as a click does: the button's own event.
void PressButton(CDialog& dialog, int id);

// Id of the dialog control that has the keyboard focus; -9999 when none has it.
int FocusedId();

// Makes the dialog's window the one the X server sends keys to: active, with the pointer
// inside it. Each wait that times out fails the test.
void ActivateWindow(CDialog& dialog);

struct MessageBoxCall {
  CString text;
  CString caption;
  UINT type;
  bool operator==(const MessageBoxCall& other) const = default;
};
using BoxList = std::vector<MessageBoxCall>;
inline MessageBoxCall ErrorBox(const CString& text) {
  return {text, kErrorCaption, MB_ICONERROR};
}
inline MessageBoxCall InfoBox(const CString& text) {
  return {text, kInformationCaption, MB_ICONINFORMATION};
}
void PrintTo(const MessageBoxCall& call, std::ostream* out);

// Replaces message boxes while it lives; every box is recorded and answered with IDOK, a
// question (MB_YESNO) with yesNo.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder();
  ~MessageBoxRecorder() { SetMessageBoxHook(nullptr); }
  const BoxList& Calls() const { return m_calls; }
  int yesNo = IDNO;

 private:
  BoxList m_calls;
};

// Ends every modal dialog with result as soon as its loop runs, after inspect has seen it.
class ModalDialogRecorder {
 public:
  explicit ModalDialogRecorder(int result = IDOK, std::function<void(CDialog*)> inspect = nullptr);
  ~ModalDialogRecorder() { SetModalDialogHook(nullptr); }
};
