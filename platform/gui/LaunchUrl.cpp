#include "platform/gui/LaunchUrl.h"

#include <wx/utils.h>

#include "platform/gui/WxText.h"

namespace {

UrlLaunchHook& Hook() {
  static UrlLaunchHook hook;
  return hook;
}

}  // namespace

void SetUrlLaunchHook(UrlLaunchHook hook) {
  Hook() = std::move(hook);
}

bool AfxLaunchUrl(const CString& url) {
  if (Hook()) {
    return Hook()(url);
  }
  // The toolkit hands any scheme to the desktop (xdg-open), mailto: included.
  return wxLaunchDefaultBrowser(ToWx(url), wxBROWSER_NOBUSYCURSOR);
}
