// The parts of a dialog's window, shared by the files that build, run and key it.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/panel.h>

#include "platform/gui/Dialog.h"
#include "platform/gui/Resources.h"

struct DialogControl {
  int id;
  const DlgControl* res;
  wxWindow* window;
  CWnd* bound;                    // the member DDX_Control bound to it, if any
  std::unique_ptr<CWnd> wrapper;  // what GetDlgItem returns while nothing is bound
};

struct CDialog::Impl {
  const DlgTemplate* res = nullptr;
  wxFrame* frame = nullptr;
  wxPanel* panel = nullptr;
  std::vector<DialogControl> controls;
  // Menu commands the toolkit cannot number as they are (it allows ids below 0x7FFF):
  // toolkit id to command id.
  std::map<int, UINT> menuCommands;
  // Keys that Ctrl turns into commands (AddCtrlAccelerator): toolkit key code to command.
  std::map<int, UINT> ctrlKeys;
  wxGUIEventLoop* loop = nullptr;
  bool ended = false;
  int result = IDCANCEL;
  // Handlers bound to the window hold a weak copy and do nothing once it is reset, so an
  // event delivered while the toolkit deletes the window never reaches a dead dialog.
  std::shared_ptr<int> alive;

  DialogControl* Find(int id);
};

// Creates the frame, menu, panel and controls of dialog from its template and binds the
// toolkit's events to it. Throws std::runtime_error for a template it cannot build.
void BuildDialogWindow(CDialog& dialog, CDialog::Impl& impl, wxWindow* parent);

// Handles a key for the dialog (mnemonics, Escape, Enter); false lets the toolkit have it.
bool HandleDialogKey(CDialog& dialog, CDialog::Impl& impl, int keyCode, int modifiers);

// The window of a control that takes the focus (the field of an edit-browse control).
wxWindow* FocusTargetOf(wxWindow* window);
