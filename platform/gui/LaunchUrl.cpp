#include "platform/gui/LaunchUrl.h"

#include <gio/gio.h>

namespace {

UrlLaunchHook& Hook() {
  static UrlLaunchHook hook;
  return hook;
}

}  // namespace

void SetUrlLaunchHook(UrlLaunchHook hook) {
  Hook() = std::move(hook);
}

bool AfxLaunchUrl(const CString& url, CString* reason) {
  if (Hook()) {
    return Hook()(url);
  }
  // GIO asks the desktop for the program of the address's scheme (mailto: included) and
  // says why none could be started, where the toolkit's launcher shows a box of its own.
  GError* error = nullptr;
  if (g_app_info_launch_default_for_uri(url.ToUtf8().c_str(), nullptr, &error)) {
    return true;
  }
  if (reason != nullptr && error != nullptr) {
    *reason = CString::FromUtf8(error->message);
  }
  g_clear_error(&error);
  return false;
}
