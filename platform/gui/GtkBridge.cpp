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
using KeySnoopFn = int (*)(void* grabWidget, void* keyEvent, void* data);
using InstallSnooperFn = unsigned (*)(KeySnoopFn snooper, void* data);
using RemoveSnooperFn = void (*)(unsigned id);
using GetTypeFn = unsigned long (*)();
using IsInstanceOfFn = int (*)(void* instance, unsigned long type);
using GetToplevelFn = void* (*)(void* widget);
using GetEventTypeFn = int (*)(const void* event);
using GetEventUintFn = int (*)(const void* event, unsigned* value);
using ResponseForWidgetFn = int (*)(void* dialog, void* widget);
using ResponseFn = void (*)(void* dialog, int response);
using GetSettingsFn = void* (*)(void* webView);
using SetEnableFn = void (*)(void* settings, int enabled);
using WidgetFn = void (*)(void* widget);

constexpr int kKeyPress = 8;                      // GDK_KEY_PRESS
constexpr unsigned kShiftControlAlt = 1 | 4 | 8;  // GDK_SHIFT_MASK, _CONTROL_MASK, _MOD1_MASK
constexpr int kNoResponse = -1;                   // GTK_RESPONSE_NONE

// The keys that press a focused button: Return, keypad and ISO Enter, space, keypad space.
bool PressesButton(unsigned keyval) {
  return keyval == 0xff0d || keyval == 0xff8d || keyval == 0xfe34 || keyval == 0x20 ||
         keyval == 0xff80;
}

int AnswerBoxOnPress(void* grabWidget, void* keyEvent, void*) {
  static const auto getEventType = Lookup<GetEventTypeFn>("gdk_event_get_event_type");
  static const auto getKeyval = Lookup<GetEventUintFn>("gdk_event_get_keyval");
  static const auto getState = Lookup<GetEventUintFn>("gdk_event_get_state");
  static const auto getToplevel = Lookup<GetToplevelFn>("gtk_widget_get_toplevel");
  static const auto dialogType = Lookup<GetTypeFn>("gtk_dialog_get_type");
  static const auto isInstanceOf = Lookup<IsInstanceOfFn>("g_type_check_instance_is_a");
  static const auto getFocus = Lookup<GetFocusFn>("gtk_window_get_focus");
  static const auto responseFor = Lookup<ResponseForWidgetFn>("gtk_dialog_get_response_for_widget");
  static const auto respond = Lookup<ResponseFn>("gtk_dialog_response");
  if (grabWidget == nullptr || getEventType == nullptr || getKeyval == nullptr ||
      getState == nullptr || getToplevel == nullptr || dialogType == nullptr ||
      isInstanceOf == nullptr || getFocus == nullptr || responseFor == nullptr ||
      respond == nullptr || getEventType(keyEvent) != kKeyPress) {
    return 0;
  }
  unsigned keyval = 0;
  unsigned state = 0;
  if (getKeyval(keyEvent, &keyval) == 0 || !PressesButton(keyval) ||
      getState(keyEvent, &state) == 0 || (state & kShiftControlAlt) != 0) {
    return 0;
  }
  void* box = getToplevel(grabWidget);
  if (box == nullptr || isInstanceOf(box, dialogType()) == 0) {
    return 0;
  }
  void* focus = getFocus(box);
  const int response = focus != nullptr ? responseFor(box, focus) : kNoResponse;
  if (response == kNoResponse) {
    return 0;  // not on one of the box's buttons: the box handles the key itself
  }
  respond(box, response);
  return 1;
}

}  // namespace

GtkBoxAnswersOnKeyPress::GtkBoxAnswersOnKeyPress() {
  static const auto install = Lookup<InstallSnooperFn>("gtk_key_snooper_install");
  if (install != nullptr) {
    m_snooper = install(AnswerBoxOnPress, nullptr);
  }
}

GtkBoxAnswersOnKeyPress::~GtkBoxAnswersOnKeyPress() {
  static const auto remove = Lookup<RemoveSnooperFn>("gtk_key_snooper_remove");
  if (m_snooper != 0 && remove != nullptr) {
    remove(m_snooper);
  }
}

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
  if (webKitWebView == nullptr || unsetDrop == nullptr) {
    return false;
  }
  unsetDrop(webKitWebView);
  return true;
}
