// CAboutDlg: the library's About box: the program's icon and name, its version, the
// years text, and the versions of the libraries it runs on.
#pragma once

#include "libs/dlgframe/SmApp.h"
#include "platform/gui/Dialog.h"

// The About box's template and controls (the library's own resources).
constexpr UINT IDD_OSTREL_ABOUT = 29000;
constexpr int IDC_ABOUT_ICON = 29001;
constexpr int IDC_ABOUT_PRODUCT = 29002;
constexpr int IDC_ABOUT_VERSION = 29003;
constexpr int IDC_ABOUT_YEARS = 29004;
constexpr int IDC_ABOUT_LIBRARIES = 29005;

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(CWnd* parent = nullptr);
  ~CAboutDlg() override;

  // What the next DoModal shows: years text, product, the store (borrowed, unused by the
  // box itself), the icon, an extra line of text (null: none) and flags (0).
  void Initialize(LPCWSTR years, OSTREL_PRODUCT product, _Settings* settings, HICON icon,
                  LPCWSTR extra, int flags);

  BOOL OnInitDialog() override;
  // The About box is the help there is: F1 in it does nothing more.
  BOOL OnHelpInfo(HELPINFO* info) override;

  // The product's name, "Ostrel" for a code the library does not know.
  static CString ProductName(OSTREL_PRODUCT product);
  // "wxWidgets 3.2.2, GTK 3.24, WebKitGTK 2.50.6", as far as they are known.
  static CString LibraryVersions();

 private:
  CString m_years;
  OSTREL_PRODUCT m_product = OSTREL_CORVANE_CONVERTER;
  _Settings* m_settings = nullptr;
  HICON m_icon = nullptr;
  CString m_extra;
};
