#include "libs/dlgframe/SmApp.h"

_Settings* g_settings = nullptr;

BOOL CSmApp::Initialize(OSTREL_PRODUCT product, _Settings* settings, LPCWSTR) {
  m_product = product;
  m_settings = settings;
  return TRUE;
}

void CSmApp::Terminate() {
  m_settings = nullptr;
}

int CSmApp::DoCommand(UINT) {
  return 0;
}

CSmApp* AfxGetSmApp() {
  return dynamic_cast<CSmApp*>(AfxGetApp());
}
