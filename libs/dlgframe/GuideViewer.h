// The user guide's window (Help > User Guide, F1): the guide's page, made from its
// Markdown when the program was built, in the same closed web view as the preview pane,
// so it needs no browser. Places inside the page work; links out of it open nothing. One
// window per program, made on first use and kept (hidden) when the user closes it.
#pragma once

#include "platform/core/CString.h"

class wxDialog;
class wxWindow;

class CGuideViewer {
 public:
  // Shows the page at path (an absolute path) over parent (may be null); false, with
  // nothing shown, when there is no such file.
  static bool Show(wxWindow* parent, const CString& path);
  // Destroys the window, if there is one.
  static void Destroy();

  // The window and its web view, null when there is none.
  static wxDialog* Window();
  static wxWindow* View();
};
