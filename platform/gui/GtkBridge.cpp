#include "platform/gui/GtkBridge.h"

#include <dlfcn.h>

#include <wx/toplevel.h>
#include <wx/window.h>

namespace {

template <typename Fn>
Fn Lookup(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
}

using GetFocusFn = void* (*)(void* gtkWindow);
using IsAncestorFn = int (*)(void* widget, void* ancestor);
using GetGroupFn = void* (*)(void* gtkWindow);
using GetGrabFn = void* (*)(void* windowGroup);
using GetSettingsFn = void* (*)(void* webView);
using SetEnableFn = void (*)(void* settings, int enabled);
using WidgetFn = void (*)(void* widget);
using GetContextFn = void* (*)(void* webView);
using SetCacheModelFn = void (*)(void* context, int model);

// WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER: no cache at all, for a view of local files only.
constexpr int kDocumentViewerCache = 0;

}  // namespace

bool GtkFocusIsWithin(wxTopLevelWindow* top, wxWindow* window) {
  static const auto getFocus = Lookup<GetFocusFn>("gtk_window_get_focus");
  static const auto isAncestor = Lookup<IsAncestorFn>("gtk_widget_is_ancestor");
  if (top == nullptr || window == nullptr) {
    return false;
  }
  if (getFocus == nullptr || isAncestor == nullptr) {
    wxWindow* focus = wxWindow::FindFocus();
    return focus != nullptr && (focus == window || window->IsDescendant(focus));
  }
  void* focus = getFocus(top->GetHandle());
  void* widget = window->GetHandle();
  return focus != nullptr && widget != nullptr &&
         (focus == widget || isAncestor(focus, widget) != 0);
}

bool GtkPopupIsOpen(wxTopLevelWindow* top) {
  static const auto getGroup = Lookup<GetGroupFn>("gtk_window_get_group");
  static const auto getGrab = Lookup<GetGrabFn>("gtk_window_group_get_current_grab");
  if (top == nullptr || getGroup == nullptr || getGrab == nullptr) {
    return false;
  }
  void* group = getGroup(top->GetHandle());
  return group != nullptr && getGrab(group) != nullptr;
}

bool GtkDisableWebViewScripts(void* webKitWebView) {
  static const auto getSettings = Lookup<GetSettingsFn>("webkit_web_view_get_settings");
  static const auto setJavaScript = Lookup<SetEnableFn>("webkit_settings_set_enable_javascript");
  if (webKitWebView == nullptr || getSettings == nullptr || setJavaScript == nullptr) {
    return false;
  }
  void* settings = getSettings(webKitWebView);
  if (settings == nullptr) {
    return false;
  }
  setJavaScript(settings, 0);
  return true;
}

bool GtkKeepWebViewLocal(void* webKitWebView) {
  static const auto unsetDrop = Lookup<WidgetFn>("gtk_drag_dest_unset");
  static const auto getContext = Lookup<GetContextFn>("webkit_web_view_get_context");
  static const auto setCacheModel = Lookup<SetCacheModelFn>("webkit_web_context_set_cache_model");
  if (webKitWebView == nullptr || unsetDrop == nullptr || getContext == nullptr ||
      setCacheModel == nullptr) {
    return false;
  }
  unsetDrop(webKitWebView);
  void* context = getContext(webKitWebView);
  if (context == nullptr) {
    return false;
  }
  setCacheModel(context, kDocumentViewerCache);
  return true;
}
