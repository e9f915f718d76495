// CComboBox: a drop-down list. Entries stay in the order they are added.
#pragma once

#include "platform/gui/Wnd.h"

class CComboBox : public CWnd {
 public:
  // The new entry's index, CB_ERR without a window.
  int AddString(LPCWSTR text);
  int GetCount() const;
  // The selected index, CB_ERR when nothing is selected.
  int GetCurSel() const;
  // Selects index (-1 clears the selection); CB_ERR when index is out of range.
  int SetCurSel(int index);
  void GetLBText(int index, CString& text) const;
  // The index of the first entry from start on that equals text exactly (-1: from the
  // beginning), CB_ERR when there is none.
  int FindStringExact(int start, LPCWSTR text) const;
};
