// CHistCBox: a drop-down list that can show a remembered text, adding it when missing.
#pragma once

#include "platform/gui/ComboBox.h"

class CHistCBox : public CComboBox {
 public:
  CHistCBox() = default;
  ~CHistCBox() override;

  // Selects the entry equal to text (exact comparison), appending it first when the list
  // has none; flags is 0. An empty text leaves the list as it is: an empty entry would
  // be a choice the user cannot read. Returns the selected index, CB_ERR without a
  // window or for an empty text.
  int SetActiveOrAdd(const CString& text, int flags);
};
