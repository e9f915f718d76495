#include "libs/dlgframe/SmApp.h"

#include "libs/dlgframe/DlgframeTexts.h"
#include "libs/dlgframe/LogViewer.h"
#include "libs/suppcore/Limit.h"
#include "platform/core/LifecycleTrace.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/Wnd.h"

_Settings* g_settings = nullptr;

namespace {

void ShowNotice(CWnd* parent, const CString& text) {
  if (parent != nullptr) {
    parent->MessageBox(text, DlgframeTexts::kInformationCaption, MB_ICONINFORMATION);
  } else {
    AfxShowMessageBox(nullptr, text, DlgframeTexts::kInformationCaption, MB_ICONINFORMATION);
  }
}

}  // namespace

BOOL CSmApp::Initialize(OSTREL_PRODUCT product, _Settings* settings, LPCWSTR) {
  m_product = product;
  m_settings = settings;
  CLimit::SetNotifier(ShowNotice);
  ReportLifecycleStep("dialog library initialised, product " + std::to_string(product));
  return TRUE;
}

void CSmApp::Terminate() {
  CLogViewer::Destroy();
  CLimit::SetNotifier(nullptr);
  m_settings = nullptr;
  ReportLifecycleStep("dialog library terminated");
}

CSmApp* AfxGetSmApp() {
  return dynamic_cast<CSmApp*>(AfxGetApp());
}
