// The keys a dialog handles itself, as the Windows dialog manager does, so that they
// behave the same whatever the toolkit's own mnemonic handling does.
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/grid.h>
#include <wx/stattext.h>

#include "platform/gui/DialogImpl.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/GtkBridge.h"

namespace {

// The letter after the single '&' of text (upper case), 0 when it has none.
wxChar MnemonicOf(const wxString& text) {
  for (size_t i = 0; i + 1 < text.length(); ++i) {
    if (text[i] == '&') {
      if (text[i + 1] == '&') {
        ++i;  // "&&" is a literal ampersand
        continue;
      }
      return static_cast<wxChar>(wxToupper(text[i + 1]));
    }
  }
  return 0;
}

bool CanTakeFocus(const DialogControl& control) {
  return (control.res->style & WS_TABSTOP) != 0 && control.window->IsThisEnabled() &&
         control.window->IsShown();
}

// The index of the control that has the focus, -1 when none has it.
int FocusedIndex(CDialog::Impl& impl) {
  for (size_t i = 0; i < impl.controls.size(); ++i) {
    if (GtkFocusIsWithin(impl.frame, impl.controls[i].window)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// A place Tab can stop at: a control's window, or the browse button of an edit-browse
// control, which follows its field.
struct TabStop {
  wxWindow* window;
  bool open;  // whether it takes the focus now
};

std::vector<TabStop> TabStopsOf(CDialog::Impl& impl) {
  std::vector<TabStop> stops;
  for (const DialogControl& control : impl.controls) {
    const bool open = CanTakeFocus(control);
    stops.push_back({FocusTargetOf(control.window), open});
    if (auto* box = dynamic_cast<CEditBrowseBox*>(control.window); box && box->CanBrowse()) {
      stops.push_back({box->GetBrowseButton(), open});
    }
  }
  return stops;
}

// Tab and Shift+Tab go through the template's tab stops here rather than in the toolkit:
// a web view hands the key to its page first and may move the focus on its own as well.
void MoveFocus(CDialog::Impl& impl, bool forward) {
  const std::vector<TabStop> stops = TabStopsOf(impl);
  const int count = static_cast<int>(stops.size());
  int current = -1;
  for (int i = 0; i < count && current < 0; ++i) {
    if (GtkFocusIsWithin(impl.frame, stops[static_cast<size_t>(i)].window)) {
      current = i;
    }
  }
  const int step = forward ? 1 : -1;
  int index = current >= 0 ? current : (forward ? -1 : count);
  for (int tries = 0; tries < count; ++tries) {
    index = (index + step + count) % count;
    const TabStop& candidate = stops[static_cast<size_t>(index)];
    if (candidate.open) {
      candidate.window->SetFocus();
      return;
    }
  }
}

bool IsButton(const DialogControl& control) {
  return dynamic_cast<wxButton*>(control.window) != nullptr;
}

bool HasMnemonic(const DialogControl& control, wxChar letter) {
  const bool labelled = IsButton(control) ||
                        dynamic_cast<wxStaticText*>(control.window) != nullptr ||
                        dynamic_cast<wxCheckBox*>(control.window) != nullptr;
  return labelled && control.window->IsShown() && MnemonicOf(control.window->GetLabel()) == letter;
}

// Acts on the control whose mnemonic is letter: a button is pressed, a check box takes the
// focus and changes its state as a click does, a label gives the focus to the next control
// after it that takes the focus.
bool HandleMnemonic(CDialog& dialog, CDialog::Impl& impl, wxChar letter) {
  auto& controls = impl.controls;
  for (size_t i = 0; i < controls.size(); ++i) {
    DialogControl& control = controls[i];
    if (!HasMnemonic(control, letter)) {
      continue;
    }
    if (IsButton(control)) {
      if (control.window->IsThisEnabled()) {
        dialog.SendCommand(static_cast<UINT>(control.id), BN_CLICKED);
      }
      return true;
    }
    if (auto* box = dynamic_cast<wxCheckBox*>(control.window)) {
      if (box->IsThisEnabled()) {
        box->SetFocus();
        box->SetValue(!box->GetValue());  // raises no event of its own
        dialog.SendCommand(static_cast<UINT>(control.id), BN_CLICKED);
      }
      return true;
    }
    for (size_t next = i + 1; next < controls.size(); ++next) {
      if (CanTakeFocus(controls[next])) {
        FocusTargetOf(controls[next].window)->SetFocus();
        return true;
      }
    }
    return true;
  }
  return false;
}

bool IsLabel(const DialogControl& control) {
  return dynamic_cast<wxStaticText*>(control.window) != nullptr;
}

// The arrow keys move between the controls of a group (from a control with WS_GROUP up to
// the next one) when a button has the focus, as on Windows; fields and lists keep their
// arrows for themselves.
bool MoveInGroup(CDialog::Impl& impl, bool forward) {
  auto& controls = impl.controls;
  const int count = static_cast<int>(controls.size());
  const int current = FocusedIndex(impl);
  if (current < 0 || !IsButton(controls[static_cast<size_t>(current)])) {
    return false;
  }
  int first = current;
  while (first > 0 && (controls[static_cast<size_t>(first)].res->style & WS_GROUP) == 0) {
    --first;
  }
  int last = current + 1;
  while (last < count && (controls[static_cast<size_t>(last)].res->style & WS_GROUP) == 0) {
    ++last;
  }
  const int size = last - first;
  for (int step = 1; step < size; ++step) {
    const int offset = (current - first + (forward ? step : size - step)) % size;
    const DialogControl& candidate = controls[static_cast<size_t>(first + offset)];
    if (!IsLabel(candidate) && candidate.window->IsThisEnabled() && candidate.window->IsShown()) {
      FocusTargetOf(candidate.window)->SetFocus();
      return true;
    }
  }
  return true;
}

// The dialog's button that has the focus, browse buttons included; null for none.
wxButton* FocusedButton(CDialog::Impl& impl) {
  auto* button = dynamic_cast<wxButton*>(wxWindow::FindFocus());
  return button != nullptr && impl.panel->IsDescendant(button) ? button : nullptr;
}

// The edit-browse control whose field or button has the focus and can open its dialog.
CEditBrowseBox* FocusedBrowseBox(CDialog::Impl& impl) {
  const int current = FocusedIndex(impl);
  if (current < 0) {
    return nullptr;
  }
  auto* box = dynamic_cast<CEditBrowseBox*>(impl.controls[static_cast<size_t>(current)].window);
  return box != nullptr && box->CanBrowse() ? box : nullptr;
}

// A table whose cell is being edited keeps Enter and Escape, which end or drop the edit.
bool CellIsBeingEdited(CDialog::Impl& impl) {
  const int current = FocusedIndex(impl);
  if (current < 0) {
    return false;
  }
  auto* grid = dynamic_cast<wxGrid*>(impl.controls[static_cast<size_t>(current)].window);
  return grid != nullptr && grid->IsCellEditControlEnabled();
}

}  // namespace

void CDialog::AddCtrlAccelerator(UINT key, UINT id) {
  if (!m_impl) {
    return;
  }
  int code = static_cast<int>(key);
  switch (key) {
    case VK_PRIOR:
      code = WXK_PAGEUP;
      break;
    case VK_NEXT:
      code = WXK_PAGEDOWN;
      break;
    case VK_HOME:
      code = WXK_HOME;
      break;
    case VK_END:
      code = WXK_END;
      break;
    default:
      // A letter arrives in either case, as the keyboard's layout and Caps Lock give it.
      m_impl->ctrlKeys[static_cast<int>(wxTolower(static_cast<wxChar>(key)))] = id;
      break;
  }
  m_impl->ctrlKeys[code] = id;
}

wxWindow* FocusTargetOf(wxWindow* window) {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(window)) {
    return box->GetTextCtrl();
  }
  return window;
}

bool HandleDialogKey(CDialog& dialog, CDialog::Impl& impl, int keyCode, int modifiers) {
  if (modifiers == wxMOD_CONTROL) {
    if (const auto key = impl.ctrlKeys.find(keyCode); key != impl.ctrlKeys.end()) {
      dialog.SendCommand(key->second, BN_CLICKED);
      return true;
    }
  }
  if (modifiers == wxMOD_NONE && keyCode == WXK_ESCAPE) {
    if (GtkPopupIsOpen(impl.frame) || CellIsBeingEdited(impl)) {
      return false;  // it closes the open menu or list, or drops the cell's edit, only
    }
    dialog.SendCommand(IDCANCEL, 0);
    return true;
  }
  if (modifiers == wxMOD_NONE && (keyCode == WXK_RETURN || keyCode == WXK_NUMPAD_ENTER)) {
    if (CellIsBeingEdited(impl)) {
      return false;  // the cell's edit ends
    }
    // The focused button takes it, pressed here: the toolkit's own button does not see a
    // key that went through the frame's key hook first.
    if (wxButton* button = FocusedButton(impl)) {
      wxCommandEvent click(wxEVT_BUTTON, button->GetId());
      click.SetEventObject(button);
      button->ProcessWindowEvent(click);
      return true;
    }
    dialog.SendCommand(IDOK, 0);
    return true;
  }
  if (keyCode == WXK_TAB && (modifiers == wxMOD_NONE || modifiers == wxMOD_SHIFT)) {
    MoveFocus(impl, modifiers == wxMOD_NONE);
    return true;
  }
  if (modifiers == wxMOD_NONE && (keyCode == WXK_LEFT || keyCode == WXK_UP)) {
    return MoveInGroup(impl, false);
  }
  if (modifiers == wxMOD_NONE && (keyCode == WXK_RIGHT || keyCode == WXK_DOWN)) {
    return MoveInGroup(impl, true);
  }
  if (modifiers == wxMOD_NONE && keyCode == WXK_F1) {
    CWnd* focus = CWnd::GetFocus();
    HELPINFO info{sizeof(HELPINFO), 1, focus != nullptr ? focus->GetDlgCtrlID() : 0};
    // What the window does not answer itself becomes the help command.
    if (dialog.OnHelpInfo(&info) == FALSE) {
      dialog.SendCommand(ID_HELP, 0);
    }
    return true;
  }
  if (modifiers == wxMOD_ALT && (keyCode == WXK_DOWN || keyCode == WXK_NUMPAD_DOWN)) {
    // As a drop-down list opens: the field's recent files where it has them, else its file
    // dialog.
    if (CEditBrowseBox* box = FocusedBrowseBox(impl)) {
      if (!box->ShowHistory()) {
        box->Browse();
      }
      return true;
    }
    return false;
  }
  if (modifiers == wxMOD_ALT && keyCode > 32 && keyCode < 127) {
    return HandleMnemonic(dialog, impl, static_cast<wxChar>(wxToupper(keyCode)));
  }
  return false;
}
