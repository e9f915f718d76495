// CSmApp: the dialog library's application base. Initialize keeps the product and the
// settings store for the library's windows (their placement); DoCommand takes the
// library's menu commands.
#pragma once

#include "libs/suppcore/Products.h"
#include "libs/suppcore/Settings.h"
#include "platform/gui/WinApp.h"

// The program's settings store, set by the application once it exists (null before and
// after). The window and the About box borrow it.
extern _Settings* g_settings;

class CSmApp : public CWinAppEx {
 public:
  // Keeps product and settings; options is unused (null). Returns non-zero.
  BOOL Initialize(OSTREL_PRODUCT product, _Settings* settings, LPCWSTR options);
  // Forgets the settings store, which may be gone already.
  void Terminate();
  // Takes a WM_COMMAND first parameter; non-zero when the library handled the command.
  // No command has an action in the library yet, so every command gets 0.
  virtual int DoCommand(UINT command);

  OSTREL_PRODUCT GetProduct() const { return m_product; }
  // The store given to Initialize, null before it and after Terminate.
  _Settings* GetSettings() const { return m_settings; }

 private:
  OSTREL_PRODUCT m_product = OSTREL_CORVANE_CONVERTER;
  _Settings* m_settings = nullptr;
};

// The application object when it is a CSmApp, null otherwise.
CSmApp* AfxGetSmApp();
