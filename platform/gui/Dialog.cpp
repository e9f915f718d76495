#include "platform/gui/Dialog.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>

#include <wx/app.h>
#include <wx/utils.h>

#include "platform/gui/DialogImpl.h"
#include "platform/gui/FocusKeeper.h"
#include "platform/gui/GtkBridge.h"
#include "platform/gui/MessageBox.h"

namespace {

std::function<void(CDialog*)>& ModalHook() {
  static std::function<void(CDialog*)> hook;
  return hook;
}

std::vector<const CDialog*>& LiveDialogs() {
  static std::vector<const CDialog*> live;
  return live;
}

}  // namespace

void SetModalDialogHook(std::function<void(CDialog*)> hook) {
  ModalHook() = std::move(hook);
}

DialogControl* CDialog::Impl::Find(int id) {
  for (DialogControl& control : controls) {
    if (control.id == id) {
      return &control;
    }
  }
  return nullptr;
}

CDialog::CDialog() : m_impl(std::make_unique<Impl>()) {
  LiveDialogs().push_back(this);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : CDialog() {
  m_nIDTemplate = templateId;
  m_pParentWnd = parent;
}

CDialog::~CDialog() {
  // A window still open here gets no OnDestroy: the derived parts are gone already.
  DestroyFrame();
  auto& live = LiveDialogs();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

bool CDialog::IsLive(const CDialog* dialog) {
  const auto& live = LiveDialogs();
  return std::find(live.begin(), live.end(), dialog) != live.end();
}

bool CDialog::BuildWindow() {
  if (m_impl->frame != nullptr) {
    return false;
  }
  wxWindow* parent = m_pParentWnd != nullptr ? m_pParentWnd->GetWxWindow() : nullptr;
  try {
    BuildDialogWindow(*this, *m_impl, parent);
  } catch (const std::exception& error) {
    DestroyFrame();
    AfxShowMessageBox(parent, CString::FromUtf8(error.what()), kErrorCaption, MB_ICONERROR);
    return false;
  }
  SetWxWindow(m_impl->frame, 0);
  m_impl->ended = false;
  m_impl->result = IDCANCEL;
  return true;
}

INT_PTR CDialog::DoModal() {
  if (!BuildWindow()) {
    return -1;
  }
  // Declared first, so that it gives the focus back once the other windows are enabled.
  const CFocusKeeper focus;
  // Every other window of the program stays disabled while this one runs.
  std::optional<wxWindowDisabler> disabler(std::in_place, m_impl->frame);
  BOOL focusFirst = TRUE;
  RunGuarded([&] { focusFirst = OnInitDialog(); });
  if (m_impl->frame != nullptr && !m_impl->ended) {
    ShowBuiltWindow(focusFirst);
    wxGUIEventLoop loop;
    m_impl->loop = &loop;
    if (ModalHook()) {
      wxTheApp->CallAfter([this] {
        if (IsLive(this) && ModalHook()) {
          ModalHook()(this);
        }
      });
    }
    loop.Run();
    m_impl->loop = nullptr;
  }
  DestroyWindow();
  disabler.reset();
  return m_impl->result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  if (templateId != 0) {
    m_nIDTemplate = templateId;
  }
  if (parent != nullptr) {
    m_pParentWnd = parent;
  }
  if (!BuildWindow()) {
    return FALSE;
  }
  BOOL focusFirst = TRUE;
  RunGuarded([&] { focusFirst = OnInitDialog(); });
  if (m_impl->frame != nullptr && !m_impl->ended) {
    ShowBuiltWindow(focusFirst);
  }
  return TRUE;
}

void CDialog::ShowBuiltWindow(BOOL focusFirst) {
  m_impl->frame->Show();
  m_impl->frame->Raise();
  if (focusFirst) {
    FocusFirstTabStop();
  }
  RunGuarded([&] { OnShowWindow(TRUE); });
}

BOOL CDialog::DestroyWindow() {
  if (m_impl->frame == nullptr) {
    return FALSE;
  }
  RunGuarded([&] { OnDestroy(); });
  DestroyFrame();
  return TRUE;
}

void CDialog::DestroyFrame() {
  m_impl->alive.reset();
  for (DialogControl& control : m_impl->controls) {
    if (control.bound != nullptr) {
      CWnd* bound = control.bound;
      control.bound = nullptr;
      bound->m_pOwner = nullptr;
      bound->m_pWnd = nullptr;
    }
  }
  m_impl->controls.clear();
  m_impl->menuCommands.clear();
  wxFrame* frame = m_impl->frame;
  m_impl->frame = nullptr;
  m_impl->panel = nullptr;
  SetWxWindow(nullptr, 0);
  if (frame != nullptr) {
    frame->Hide();
    frame->Destroy();  // deleted by the toolkit once its pending events are gone
  }
}

void CDialog::EndDialog(int result) {
  m_impl->result = result;
  m_impl->ended = true;
  if (m_impl->loop != nullptr) {
    m_impl->loop->ScheduleExit(result);
  } else if (m_impl->frame != nullptr) {
    m_impl->frame->Hide();
  }
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  pDX->m_pDlgWnd->BindControl(id, control);
}

void CDialog::BindControl(int id, CWnd& control) {
  DialogControl* entry = m_impl->Find(id);
  if (entry == nullptr) {
    throw std::runtime_error("Dialog " + std::to_string(m_nIDTemplate) + " has no control " +
                             std::to_string(id) + ".");
  }
  if (entry->bound == &control) {
    return;
  }
  control.Attach(entry->window, id, this);
  entry->bound = &control;
  entry->wrapper.reset();
}

void CDialog::ForgetControl(CWnd* control) {
  for (DialogControl& entry : m_impl->controls) {
    if (entry.bound == control) {
      entry.bound = nullptr;
    }
  }
}

CWnd* CDialog::GetDlgItem(int id) const {
  DialogControl* entry = m_impl->Find(id);
  if (entry == nullptr) {
    return nullptr;
  }
  if (entry->bound != nullptr) {
    return entry->bound;
  }
  if (!entry->wrapper) {
    entry->wrapper = std::make_unique<CWnd>();
    entry->wrapper->SetWxWindow(entry->window, id);
  }
  return entry->wrapper.get();
}

wxWindow* CDialog::GetClientWindow() const {
  return m_impl->panel;
}

wxFrame* CDialog::GetFrame() const {
  return m_impl->frame;
}

DWORD CDialog::GetControlStyle(int id) const {
  const DialogControl* entry = m_impl->Find(id);
  if (entry == nullptr) {
    return 0;
  }
  DWORD style = entry->res->style & ~(WS_DISABLED | WS_VISIBLE);
  style |= entry->window->IsThisEnabled() ? 0 : WS_DISABLED;
  style |= entry->window->IsShown() ? WS_VISIBLE : 0;
  return style;
}

void CDialog::FocusFirstTabStop() {
  for (DialogControl& control : m_impl->controls) {
    if ((control.res->style & WS_TABSTOP) != 0 && control.window->IsThisEnabled() &&
        control.window->IsShown()) {
      FocusTargetOf(control.window)->SetFocus();
      return;
    }
  }
}

CWnd* CWnd::GetFocus() {
  const auto& live = LiveDialogs();
  for (auto it = live.rbegin(); it != live.rend(); ++it) {
    const CDialog* dialog = *it;
    wxFrame* frame = dialog->m_impl->frame;
    if (frame == nullptr || !frame->IsShown() || !frame->IsEnabled()) {
      continue;
    }
    for (DialogControl& control : dialog->m_impl->controls) {
      if (GtkFocusIsWithin(frame, control.window)) {
        return dialog->GetDlgItem(control.id);
      }
    }
  }
  return nullptr;
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()
