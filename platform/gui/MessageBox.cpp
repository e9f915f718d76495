#include "platform/gui/MessageBox.h"

#include <wx/msgdlg.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>

#include "platform/gui/FocusKeeper.h"
#include "platform/gui/GtkBridge.h"
#include "platform/gui/WxText.h"

namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

long IconStyle(UINT type) {
  switch (type & 0xF0) {
    case MB_ICONERROR:
      return wxICON_ERROR;
    case MB_ICONQUESTION:
      return wxICON_QUESTION;
    case MB_ICONWARNING:
      return wxICON_WARNING;
    case MB_ICONINFORMATION:
      return wxICON_INFORMATION;
    default:
      return 0;
  }
}

// A web view draws from its own surface, which a parent's repaint does not reach: each
// window is asked to repaint itself.
void Repaint(wxWindow* window) {
  window->Refresh();
  for (wxWindow* child : window->GetChildren()) {
    Repaint(child);
  }
}

// Asks top to repaint once more in a moment: the window manager may take that long to take
// the box off the screen, and a repaint before it leaves the box's edge where it was.
void RepaintAgainSoon(wxWindow* top) {
  static wxWeakRef<wxWindow> target;
  // Made once and kept: a timer destroyed after the toolkit has shut down would fail.
  static wxTimer* const again = [] {
    auto* timer = new wxTimer;
    timer->Bind(wxEVT_TIMER, [](wxTimerEvent&) {
      if (target && target->IsShown())
        Repaint(target.get());
    });
    return timer;
  }();
  target = top;
  again->StartOnce(200);
}

// What the box covered is drawn again: a web view beneath it would otherwise keep a line of
// the box's frame until something else makes it paint.
void RepaintOwner(wxWindow* owner) {
  wxWindow* top = owner != nullptr ? wxGetTopLevelParent(owner) : nullptr;
  if (top != nullptr && top->IsShown()) {
    Repaint(top);
    top->Update();
    RepaintAgainSoon(top);
  }
}

int ShowBox(wxWindow* owner, const CString& text, const CString& caption, UINT type) {
  if ((type & 0xF) == MB_YESNO) {
    wxMessageDialog box(owner, ToWx(text), ToWx(caption),
                        wxYES_NO | wxNO_DEFAULT | IconStyle(type));
    return box.ShowModal() == wxID_YES ? IDYES : IDNO;
  }
  wxMessageDialog box(owner, ToWx(text), ToWx(caption), wxOK | IconStyle(type));
  box.ShowModal();
  return IDOK;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  Hook() = std::move(hook);
}

int AfxShowMessageBox(wxWindow* owner, const CString& text, const CString& caption, UINT type) {
  if (Hook()) {
    return Hook()(text, caption, type);
  }
  const CFocusKeeper focus;
  const GtkBoxAnswersOnKeyPress answerOnPress;  // so a key typed right after is not lost
  const int answer = ShowBox(owner, text, caption, type);
  RepaintOwner(owner);
  return answer;
}
