// CSmApp: the dialog library's application base. Initialize keeps the product and the
// settings store for the library's windows (their placement) and has the product
// launcher's notices shown in message boxes; DoCommand takes the library's menu commands.
#pragma once

#include "libs/suppcore/Products.h"
#include "libs/suppcore/Settings.h"
#include "platform/gui/WinApp.h"

// The program's settings store, set by the application once it exists (null before and
// after). The window and the About box borrow it.
extern _Settings* g_settings;

// The library's menu commands, as the program's menu carries them.
constexpr UINT ID_SM_SUPPORT_MAIL = 1007;
constexpr UINT ID_SM_TRUNCATE_LOG = 1108;
constexpr UINT ID_SM_WEB_SITE = 5781;
constexpr UINT ID_SM_VIEW_LOG = 32780;

class CSmApp : public CWinAppEx {
 public:
  // Keeps product and settings and has CLimit's notices shown as information boxes owned
  // by the window it names; options is unused (null). Returns non-zero.
  BOOL Initialize(OSTREL_PRODUCT product, _Settings* settings, LPCWSTR options);
  // Forgets the settings store, which may be gone already, closes the log and guide
  // windows and takes the notices back.
  void Terminate();
  // Takes a WM_COMMAND first parameter, compared whole; non-zero when the library handled
  // the command: the help command (Help > User Guide, F1) shows the user guide in its
  // window, View Log shows the log window, Truncate Log empties the log, the support
  // command opens the mail program on the support address and the web-site command the
  // browser on the product's page. Every other parameter gets 0.
  virtual int DoCommand(UINT command);
  // Shows the user guide's window, or says where the guide's page is missing.
  void OnHelp() override;

  OSTREL_PRODUCT GetProduct() const { return m_product; }
  // The store given to Initialize, null before it and after Terminate.
  _Settings* GetSettings() const { return m_settings; }

 private:
  OSTREL_PRODUCT m_product = OSTREL_CORVANE_CONVERTER;
  _Settings* m_settings = nullptr;
};

// The application object when it is a CSmApp, null otherwise.
CSmApp* AfxGetSmApp();
