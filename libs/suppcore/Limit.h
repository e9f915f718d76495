// CLimit: starts the maker's other products.
#pragma once

#include <functional>

#include "libs/suppcore/Products.h"
#include "platform/core/CString.h"

class CWnd;

class CLimit {
 public:
  // Starts the product when its program is on the PATH (detached, with arguments split
  // at spaces when arguments is not empty) and returns non-zero. Otherwise tells the
  // user, through the notifier, that the product is not installed, and returns 0. A code
  // that names no product returns 0 and tells nothing.
  static int RunProduct(OSTREL_PRODUCT product, CWnd* parent, LPCWSTR arguments);

  // How the user is told; the dialog library shows a message box owned by parent.
  using Notifier = std::function<void(CWnd* parent, const CString& text)>;
  static void SetNotifier(Notifier notifier);

  // The text shown for a product that is not installed.
  static CString NotInstalledText(const ProductInfo& product);
};
