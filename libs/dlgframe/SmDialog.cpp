#include "libs/dlgframe/SmDialog.h"

#include <wx/frame.h>

#include "libs/dlgframe/SmApp.h"

CSmDialog::CSmDialog(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {
  SetContainerWindow(this);
}

CSmDialog::~CSmDialog() = default;

BOOL CSmDialog::OnInitDialog() {
  ClearControls();
  m_activated = false;
  m_normal = wxRect();
  const BOOL result = CDialog::OnInitDialog();
  if (wxFrame* frame = GetFrame()) {
    // The frame may see a move after this object has gone.
    frame->Bind(wxEVT_MOVE, [this](wxMoveEvent& event) {
      event.Skip();
      if (IsLive(this)) {
        RememberNormalPlacement();
      }
    });
  }
  return result;
}

void CSmDialog::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
}

void CSmDialog::OnOK() {}

void CSmDialog::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  if (type != SIZE_MINIMIZED) {
    ResizeControls(cx, cy);
  }
  if (type == SIZE_RESTORED) {
    RememberNormalPlacement();
  }
}

void CSmDialog::OnDestroy() {
  Deactivate();
  CDialog::OnDestroy();
}

void CSmDialog::OnShowWindow(BOOL show) {
  CDialog::OnShowWindow(show);
  if (show && !m_activated) {
    m_activated = true;
    Activate();
  }
}

void CSmDialog::Deactivate() {}

void CSmDialog::Activate() {}

void CSmDialog::SetMinSizes(int width, int height) {
  wxFrame* frame = GetFrame();
  wxWindow* panel = GetClientWindow();
  if (frame == nullptr || panel == nullptr) {
    return;
  }
  // Never so small that a control is cut: the label of a long line stays whole, at the
  // desktop's margin and gap from what is beside it.
  std::vector<wxWindow*> windows;
  for (wxWindow* child : panel->GetChildren()) {
    if (child->IsShown()) {
      windows.push_back(child);
    }
  }
  const wxSize whole =
      SmallestClientSize(windows, panel->GetClientSize(), frame->FromDIP(6), frame->FromDIP(12));
  const wxSize frameExtra = frame->GetSize() - frame->GetClientSize();
  wxSize minimum = frame->FromDIP(wxSize(width, height));
  minimum.IncTo(whole + frameExtra);
  frame->SetMinSize(minimum);
  const wxSize size = frame->GetSize();
  if (size.x < minimum.x || size.y < minimum.y) {
    frame->SetSize(wxSize(std::max(size.x, minimum.x), std::max(size.y, minimum.y)));
  }
}

BEGIN_MESSAGE_MAP(CSmDialog, CDialog)
END_MESSAGE_MAP()
