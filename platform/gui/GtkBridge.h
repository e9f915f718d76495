// What the toolkit does not offer on GTK, reached through the C functions of
// GTK and WebKitGTK that the toolkit's libraries have already loaded (the development
// headers are not needed): which widget of a window has the keyboard focus, turning
// a web view's scripts off, and keeping it to local pages.
#pragma once

class wxWindow;
class wxTopLevelWindow;

// True when the keyboard focus of top (inside that window, whether or not the window
// is active) is window or one of its GTK children. Drop-down lists and web views keep
// the focus in inner widgets the toolkit does not report.
bool GtkFocusIsWithin(wxTopLevelWindow* top, wxWindow* window);

// True when a menu, a drop-down list's popup or a box of the toolkit's is open over top:
// it holds the toolkit's grab, so a key that reaches the window meanwhile is still the
// popup's (a menu opened by a click hands Escape on to the menu bar, inside the window).
bool GtkPopupIsOpen(wxTopLevelWindow* top);

// While one lives, Enter or Space on the focused button of one of the toolkit's own boxes
// (a message box) answers it as the key goes down, as Escape does. The button would hold
// the keyboard until the key comes up, and a key typed before that, as a fast typist
// does, would be lost with the box.
class GtkBoxAnswersOnKeyPress {
 public:
  GtkBoxAnswersOnKeyPress();
  ~GtkBoxAnswersOnKeyPress();
  GtkBoxAnswersOnKeyPress(const GtkBoxAnswersOnKeyPress&) = delete;
  GtkBoxAnswersOnKeyPress& operator=(const GtkBoxAnswersOnKeyPress&) = delete;

 private:
  unsigned m_snooper = 0;
};

// Turns JavaScript off for a web view created with the WebKit backend. False when the
// functions are not available; the page then runs with the backend's default.
bool GtkDisableWebViewScripts(void* webKitWebView);

// Keeps a WebKit web view to the program's own pages: drops onto it are refused (it is
// no drag destination, so a drop goes to the window around it). False when the function
// is not available.
bool GtkKeepWebViewLocal(void* webKitWebView);
