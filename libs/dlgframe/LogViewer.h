// The log window of Tools > View Log: the log file's text, oldest entry first and newest
// at the end, scrolled to the end and read afresh every time the window is shown and
// whenever the log changes while it is on show (looked at once a second). One
// window per program, made on first use and kept (hidden) when the user closes it.
#pragma once

#include <string>

#include "platform/core/CString.h"

class wxDialog;
class wxTextCtrl;
class wxWindow;

class CLogViewer {
 public:
  // Shows the window over parent (may be null), reading the log again.
  static void Show(wxWindow* parent);
  // Reads the log again if the window is on show (after the log was truncated).
  static void Reload();
  // Destroys the window, if there is one.
  static void Destroy();

  // The window and its text, null when there is none.
  static wxDialog* Window();
  static wxTextCtrl* TextControl();

  // The end of the log file at path, at most maxBytes of it, starting at an entry; when
  // older entries are cut off, a line says so first. Empty when there is no log.
  static CString ReadTail(const std::string& path, std::size_t maxBytes);
};
