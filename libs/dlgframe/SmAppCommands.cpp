// The library's menu commands.
#include "libs/dlgframe/DlgframeTexts.h"
#include "libs/dlgframe/GuideViewer.h"
#include "libs/dlgframe/LogViewer.h"
#include "libs/dlgframe/ProductLinks.h"
#include "libs/dlgframe/SmApp.h"
#include "libs/suppcore/Log.h"
#include "libs/suppcore/MailtoUrl.h"
#include "platform/gui/LaunchUrl.h"
#include "platform/gui/MessageBox.h"
#include "platform/gui/Wnd.h"

namespace {

wxWindow* MainWindowOf(const CWinAppEx& app) {
  return app.m_pMainWnd != nullptr ? app.m_pMainWnd->GetWxWindow() : nullptr;
}

// A desktop without a browser or mail program says nothing itself: tell the user, with
// the system's reason when it gives one.
void Open(const CWinAppEx& app, const CString& url) {
  CString reason;
  if (AfxLaunchUrl(url, &reason)) {
    return;
  }
  CString text;
  text.Format(DlgframeTexts::kCannotOpen, url.GetString());
  if (!reason.IsEmpty()) {
    text += u"\n" + reason;
  }
  AfxShowMessageBox(MainWindowOf(app), text, kErrorCaption, MB_ICONERROR);
}

}  // namespace

void CSmApp::OnHelp() {
  const CString guide = GetHelpFilePath();
  if (!CGuideViewer::Show(MainWindowOf(*this), guide)) {
    CString text;
    text.Format(DlgframeTexts::kGuideMissing, guide.GetString());
    AfxShowMessageBox(MainWindowOf(*this), text, kErrorCaption, MB_ICONERROR);
  }
}

int CSmApp::DoCommand(UINT command) {
  switch (command) {
    case ID_HELP:
      OnHelp();
      return 1;
    case ID_SM_VIEW_LOG:
      CLogViewer::Show(MainWindowOf(*this));
      return 1;
    case ID_SM_TRUNCATE_LOG:
      if (AfxShowMessageBox(MainWindowOf(*this), DlgframeTexts::kTruncateLogQuestion,
                            DlgframeTexts::kTruncateLogCaption,
                            MB_YESNO | MB_ICONQUESTION) == IDYES) {
        CLog::Truncate();
        CLogViewer::Reload();
      }
      return 1;
    case ID_SM_SUPPORT_MAIL:
      Open(*this, MailtoUrl(ProductLinks::kSupportAddress));
      return 1;
    case ID_SM_WEB_SITE:
      Open(*this, ProductLinks::kWebSite);
      return 1;
    default:
      return 0;
  }
}
