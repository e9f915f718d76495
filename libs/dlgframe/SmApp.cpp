#include "libs/dlgframe/SmApp.h"

#include "libs/dlgframe/DlgframeTexts.h"
#include "libs/dlgframe/GuideViewer.h"
#include "libs/dlgframe/LogViewer.h"
#include "libs/suppcore/Limit.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/Wnd.h"

_Settings* g_settings = nullptr;

namespace {

void ShowNotice(CWnd* parent, const CString& text) {
  if (parent != nullptr) {
    parent->MessageBox(text, kInformationCaption, MB_ICONINFORMATION);
  } else {
    AfxShowMessageBox(nullptr, text, kInformationCaption, MB_ICONINFORMATION);
  }
}

}  // namespace

BOOL CSmApp::Initialize(OSTREL_PRODUCT product, _Settings* settings, LPCWSTR) {
  m_product = product;
  m_settings = settings;
  CLimit::SetNotifier(ShowNotice);
  return TRUE;
}

void CSmApp::Terminate() {
  CLogViewer::Destroy();
  CGuideViewer::Destroy();
  CLimit::SetNotifier(nullptr);
  m_settings = nullptr;
}

CSmApp* AfxGetSmApp() {
  return dynamic_cast<CSmApp*>(AfxGetApp());
}
