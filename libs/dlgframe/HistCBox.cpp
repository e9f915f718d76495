#include "libs/dlgframe/HistCBox.h"

CHistCBox::~CHistCBox() = default;

int CHistCBox::SetActiveOrAdd(const CString& text, int) {
  if (GetWxWindow() == nullptr || text.IsEmpty()) {
    return CB_ERR;
  }
  int index = FindStringExact(-1, text);
  if (index == CB_ERR) {
    index = AddString(text);
  }
  return SetCurSel(index);
}
