// CWnd: a window of the framework, wrapping one toolkit window (a dialog's frame or one
// of its controls). Control notifications and menu commands reach OnCommand as WM_COMMAND
// with the control id in the low and the notification code in the high word of the first
// parameter; OnCommand looks them up in the message map.
#pragma once

#include <functional>

#include "platform/core/CString.h"
#include "platform/gui/MessageMap.h"
#include "platform/gui/WinTypes.h"

class wxWindow;
class CDialog;
class CWnd;

// Whoever binds controls to members (a dialog): told when a bound control goes before it
// does, so that it no longer hands that control out.
class CControlOwner {
 public:
  virtual void ForgetControl(CWnd* control) = 0;

 protected:
  ~CControlOwner() = default;
};

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The toolkit window; null before the window exists and after it is destroyed.
  wxWindow* GetWxWindow() const { return m_pWnd; }
  BOOL IsWindow() const { return m_pWnd != nullptr ? TRUE : FALSE; }
  int GetDlgCtrlID() const { return m_nID; }

  // Wraps the control id of a dialog; the dialog detaches it when its window goes, and
  // owner (may be null) is told when this object goes first.
  void Attach(wxWindow* window, int id, CControlOwner* owner);
  void Detach();

  virtual CWnd* GetDlgItem(int id) const;
  int GetDlgItemText(int id, CString& text) const;
  void SetDlgItemText(int id, LPCWSTR text);
  // A check box's state, BST_CHECKED or BST_UNCHECKED; setting it raises no notification.
  UINT IsDlgButtonChecked(int id) const;
  void CheckDlgButton(int id, UINT check);

  // A drop-down list's text is its selected entry; an edit control's change raises
  // EN_CHANGE as on Windows.
  void GetWindowText(CString& text) const;
  CString GetWindowText() const;
  void SetWindowText(LPCWSTR text);

  // Returns non-zero when the window was disabled before.
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsWindowVisible() const;
  void SetFocus();
  // The control of a dialog that has the keyboard focus, or null.
  static CWnd* GetFocus();

  // The few messages the system sends: CB_ADDSTRING (lParam: the text), CB_SETCURSEL,
  // CB_GETCURSEL, CB_GETCOUNT, BM_GETCHECK, BM_SETCHECK, WM_SETICON (lParam: HICON),
  // WM_QUERYDRAGICON and WM_COMMAND.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  void GetClientRect(LPRECT rect) const;
  void GetWindowRect(LPRECT rect) const;
  void Invalidate();

  // A modal message box owned by this window; returns IDOK.
  int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK);

  // Delivers a WM_COMMAND through OnCommand; an exception escaping the handler is shown
  // in an error box and the program goes on.
  BOOL SendCommand(UINT id, UINT code);

  // Runs work; an exception escaping it is shown in an error box owned by this window.
  void RunGuarded(const std::function<void()>& work);

  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // Called for every change of the client area's size.
  virtual void OnSize(UINT type, int cx, int cy);
  // Called before the window is destroyed.
  virtual void OnDestroy();
  // Called after the window has been shown.
  virtual void OnShowWindow(BOOL show);
  // F1; non-zero when handled.
  virtual BOOL OnHelpInfo(HELPINFO* info);

  HCURSOR OnQueryDragIcon();

  // The window that paints this one's client area (the frame's panel for a dialog).
  virtual wxWindow* GetClientWindow() const { return m_pWnd; }

  // The entry for message (and code and id for WM_COMMAND) in this class's map or a base's.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  BOOL OnCmdMsg(UINT id, UINT code);

  void SetWxWindow(wxWindow* window, int id) {
    m_pWnd = window;
    m_nID = id;
  }

  friend class CDialog;

 private:
  wxWindow* m_pWnd = nullptr;
  int m_nID = 0;
  CControlOwner* m_pOwner = nullptr;
};
