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
  return CDialog::OnInitDialog();
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
  if (frame == nullptr) {
    return;
  }
  const wxSize minimum = frame->FromDIP(wxSize(width, height));
  frame->SetMinSize(minimum);
  const wxSize size = frame->GetSize();
  if (size.x < minimum.x || size.y < minimum.y) {
    frame->SetSize(wxSize(std::max(size.x, minimum.x), std::max(size.y, minimum.y)));
  }
}

BEGIN_MESSAGE_MAP(CSmDialog, CDialog)
END_MESSAGE_MAP()
