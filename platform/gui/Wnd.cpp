#include "platform/gui/Wnd.h"

#include "platform/gui/WinApp.h"

#include <exception>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/statbmp.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include "platform/core/File.h"
#include "platform/gui/EditBrowseBox.h"
#include "platform/gui/Images.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/WxText.h"

namespace {

wxTextCtrl* TextFieldOf(wxWindow* window) {
  if (auto* box = dynamic_cast<CEditBrowseBox*>(window)) {
    return box->GetTextCtrl();
  }
  return dynamic_cast<wxTextCtrl*>(window);
}

LRESULT ComboMessage(wxChoice* list, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CB_ADDSTRING:
      return list->Append(ToWx(reinterpret_cast<LPCWSTR>(lParam)));
    case CB_SETCURSEL: {
      const int index = static_cast<int>(wParam);
      if (index < 0 || index >= static_cast<int>(list->GetCount())) {
        list->SetSelection(wxNOT_FOUND);
        return CB_ERR;
      }
      list->SetSelection(index);
      return index;
    }
    case CB_GETCURSEL:
      return list->GetSelection();
    case CB_GETCOUNT:
      return list->GetCount();
    default:
      return 0;
  }
}

}  // namespace

CWnd::~CWnd() {
  Detach();
}

void CWnd::Attach(wxWindow* window, int id, CControlOwner* owner) {
  Detach();
  m_pWnd = window;
  m_nID = id;
  m_pOwner = owner;
}

void CWnd::Detach() {
  if (m_pOwner != nullptr) {
    CControlOwner* owner = m_pOwner;
    m_pOwner = nullptr;
    owner->ForgetControl(this);
  }
  m_pWnd = nullptr;
}

CWnd* CWnd::GetDlgItem(int) const {
  return nullptr;
}

int CWnd::GetDlgItemText(int id, CString& text) const {
  text.Empty();
  if (CWnd* item = GetDlgItem(id)) {
    item->GetWindowText(text);
  }
  return text.GetLength();
}

void CWnd::SetDlgItemText(int id, LPCWSTR text) {
  if (CWnd* item = GetDlgItem(id)) {
    item->SetWindowText(text);
  }
}

UINT CWnd::IsDlgButtonChecked(int id) const {
  CWnd* item = GetDlgItem(id);
  return item != nullptr ? static_cast<UINT>(item->SendMessage(BM_GETCHECK)) : BST_UNCHECKED;
}

void CWnd::CheckDlgButton(int id, UINT check) {
  if (CWnd* item = GetDlgItem(id)) {
    item->SendMessage(BM_SETCHECK, check);
  }
}

void CWnd::GetWindowText(CString& text) const {
  text = GetWindowText();
}

CString CWnd::GetWindowText() const {
  if (m_pWnd == nullptr) {
    return CString();
  }
  if (wxTextCtrl* field = TextFieldOf(m_pWnd)) {
    return FromWx(field->GetValue());
  }
  if (auto* list = dynamic_cast<wxChoice*>(m_pWnd)) {
    return FromWx(list->GetStringSelection());
  }
  if (auto* top = dynamic_cast<wxTopLevelWindow*>(m_pWnd)) {
    return FromWx(top->GetTitle());
  }
  return FromWx(m_pWnd->GetLabel());
}

void CWnd::SetWindowText(LPCWSTR text) {
  if (m_pWnd == nullptr) {
    return;
  }
  if (wxTextCtrl* field = TextFieldOf(m_pWnd)) {
    field->SetValue(ToWx(text));  // raises EN_CHANGE, as WM_SETTEXT does on Windows
  } else if (auto* top = dynamic_cast<wxTopLevelWindow*>(m_pWnd)) {
    top->SetTitle(ToWx(text));
  } else if (dynamic_cast<wxChoice*>(m_pWnd) == nullptr) {
    m_pWnd->SetLabel(ToWx(text));
  }
}

BOOL CWnd::EnableWindow(BOOL enable) {
  if (m_pWnd == nullptr) {
    return FALSE;
  }
  const BOOL wasDisabled = m_pWnd->IsThisEnabled() ? FALSE : TRUE;
  m_pWnd->Enable(enable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  return m_pWnd != nullptr && m_pWnd->IsThisEnabled() ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
  return m_pWnd != nullptr && m_pWnd->IsShown() ? TRUE : FALSE;
}

void CWnd::SetFocus() {
  if (m_pWnd == nullptr) {
    return;
  }
  if (wxTextCtrl* field = TextFieldOf(m_pWnd)) {
    field->SetFocus();
  } else {
    m_pWnd->SetFocus();
  }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    return SendCommand(LOWORD(wParam), HIWORD(wParam));
  }
  if (message == WM_QUERYDRAGICON) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_QUERYDRAGICON, 0, 0);
    return entry != nullptr ? reinterpret_cast<LRESULT>((this->*entry->pfnIcon)()) : 0;
  }
  if (m_pWnd == nullptr) {
    return 0;
  }
  if (auto* list = dynamic_cast<wxChoice*>(m_pWnd)) {
    return ComboMessage(list, message, wParam, lParam);
  }
  if (auto* box = dynamic_cast<wxCheckBox*>(m_pWnd)) {
    if (message == BM_SETCHECK) {
      box->SetValue(wParam == BST_CHECKED);
    }
    return message == BM_GETCHECK && box->GetValue() ? BST_CHECKED : BST_UNCHECKED;
  }
  if (auto* picture = dynamic_cast<wxStaticBitmap*>(m_pWnd)) {
    if (message == STM_SETICON && wParam != 0) {
      // The picture closest to the control's size.
      picture->SetIcon(reinterpret_cast<HICON>(wParam)->GetIcon(picture->GetSize().y));
    }
    return 0;
  }
  auto* top = dynamic_cast<wxTopLevelWindow*>(m_pWnd);
  if (message == WM_SETICON && top != nullptr && lParam != 0) {
    // The toolkit takes the whole group and picks the size each place needs.
    top->SetIcons(reinterpret_cast<HICON>(lParam)->Bundle());
  }
  return 0;
}

void CWnd::GetClientRect(LPRECT rect) const {
  const wxWindow* client = GetClientWindow();
  const wxSize size = client != nullptr ? client->GetClientSize() : wxSize(0, 0);
  *rect = RECT{0, 0, size.x, size.y};
}

void CWnd::GetWindowRect(LPRECT rect) const {
  const wxRect r = m_pWnd != nullptr ? m_pWnd->GetScreenRect() : wxRect();
  *rect = RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

void CWnd::Invalidate() {
  if (wxWindow* client = GetClientWindow()) {
    client->Refresh();
  }
}

int CWnd::MessageBox(LPCWSTR text, LPCWSTR caption, UINT type) {
  CString title(caption);
  if (caption == nullptr && m_pWnd != nullptr) {
    title = FromWx(wxGetTopLevelParent(m_pWnd)->GetLabel());
  }
  return AfxShowMessageBox(m_pWnd, CString(text), title, type);
}

BOOL CWnd::SendCommand(UINT id, UINT code) {
  BOOL handled = FALSE;
  RunGuarded([&] { handled = OnCommand(MAKEWPARAM(id, code), 0); });
  return handled;
}

void CWnd::RunGuarded(const std::function<void()>& work) {
  // The framework's dispatch: what escapes a handler is reported and the program goes on.
  try {
    work();
  } catch (const CFileException& error) {
    MessageBox(error.GetErrorMessage(), kErrorCaption, MB_ICONERROR);
  } catch (const std::exception& error) {
    MessageBox(CString::FromUtf8(error.what()), kErrorCaption, MB_ICONERROR);
  }
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

void CWnd::OnSize(UINT, int, int) {}

void CWnd::OnDestroy() {}

void CWnd::OnShowWindow(BOOL) {}

BOOL CWnd::OnHelpInfo(HELPINFO*) {
  return FALSE;
}

HCURSOR CWnd::OnQueryDragIcon() {
  return nullptr;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const {
  return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CWnd::FindMessageEntry(UINT message, UINT code, UINT id) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nMessage != 0; ++entry) {
      if (entry->nMessage != message) {
        continue;
      }
      if (message != WM_COMMAND || (entry->nCode == code && LOWORD(entry->nID) == id)) {
        return entry;
      }
    }
  }
  return nullptr;
}

BOOL CWnd::OnCmdMsg(UINT id, UINT code) {
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, code, id);
  if (entry == nullptr || entry->pfn == nullptr) {
    // Commands no window takes go on to the application, as menu commands do elsewhere.
    CWinAppEx* app = AfxGetApp();
    return code == 0 && app != nullptr ? app->OnCmdMsg(id) : FALSE;
  }
  (this->*entry->pfn)();
  return TRUE;
}
