// CDialog: a top-level window built from a dialog template (its controls in template
// order, which is the tab order; positions in dialog units of the window's font; the
// template's menu; the dialog initialisation data), run modally by DoModal in an event
// loop of its own.
//
// Keys: Tab and Shift+Tab move through the controls that are tab stops, enabled and
// shown, in template order; on a button the arrow keys move within its group (WS_GROUP
// starts one); Alt with a letter acts on the control whose text has that mnemonic (a
// label moves the focus to the next tab stop after it, a button is pressed); Escape and the close
// box arrive as IDCANCEL; Enter arrives as IDOK unless a button has the focus, which it presses.
#pragma once

#include <functional>
#include <memory>

#include "platform/gui/DataExchange.h"
#include "platform/gui/Wnd.h"

class wxFrame;
class wxPanel;

class CDialog;

// Called once a modal dialog is shown and its loop runs (tests end it from here); an
// empty hook removes it.
void SetModalDialogHook(std::function<void(CDialog* dialog)> hook);

class CDialog : public CWnd, private CControlOwner {
 public:
  CDialog();
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Builds and shows the window, calls OnInitDialog, runs until EndDialog, calls
  // OnDestroy and destroys the window. Returns EndDialog's result, -1 when the window
  // could not be built.
  virtual INT_PTR DoModal();
  // Builds the window without a loop of its own (modeless), calls OnInitDialog, shows it.
  BOOL Create(UINT templateId = 0, CWnd* parent = nullptr);
  // Calls OnDestroy, then destroys the window.
  BOOL DestroyWindow();
  void EndDialog(int result);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* pDX);
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  CWnd* GetDlgItem(int id) const override;
  wxWindow* GetClientWindow() const override;
  wxFrame* GetFrame() const;
  UINT GetTemplateId() const { return m_nIDTemplate; }
  // The template's style of control id with WS_DISABLED, WS_VISIBLE and WS_TABSTOP as
  // they are now; 0 when there is no such control.
  DWORD GetControlStyle(int id) const;

  // Binds a control of the window to a member (DDX_Control); throws when the window has
  // no control with that id.
  void BindControl(int id, CWnd& control);

  // Ctrl with key sends command id with notification code 0 (a button's click), as an
  // accelerator table does, wherever the focus is in the window: key is an upper-case
  // letter or VK_PRIOR, VK_NEXT, VK_HOME or VK_END. Once the window is built (OnInitDialog).
  void AddCtrlAccelerator(UINT key, UINT id);

  // True while the object exists (for work deferred to a later event).
  static bool IsLive(const CDialog* dialog);

  struct Impl;  // the window's parts (DialogImpl.h)

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  const AFX_MSGMAP* GetMessageMap() const override;

  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;

 private:
  friend class CWnd;  // CWnd::GetFocus looks through the live dialogs' controls
  bool BuildWindow();
  void ForgetControl(CWnd* control) override;
  // Detaches every control, forgets the window and has the toolkit destroy it.
  void DestroyFrame();
  void FocusFirstTabStop();
  void ShowBuiltWindow(BOOL focusFirst);
  std::unique_ptr<Impl> m_impl;
};
