#include "platform/gui/ComboBox.h"

#include <wx/choice.h>

#include "platform/gui/WxText.h"

namespace {

wxChoice* ListOf(const CWnd& wnd) {
  return dynamic_cast<wxChoice*>(wnd.GetWxWindow());
}

}  // namespace

int CComboBox::AddString(LPCWSTR text) {
  if (ListOf(*this) == nullptr) {
    return CB_ERR;
  }
  return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int CComboBox::GetCount() const {
  wxChoice* list = ListOf(*this);
  return list != nullptr ? static_cast<int>(list->GetCount()) : CB_ERR;
}

int CComboBox::GetCurSel() const {
  wxChoice* list = ListOf(*this);
  return list != nullptr ? list->GetSelection() : CB_ERR;
}

int CComboBox::SetCurSel(int index) {
  return ListOf(*this) != nullptr ? static_cast<int>(SendMessage(CB_SETCURSEL, index, 0)) : CB_ERR;
}

void CComboBox::GetLBText(int index, CString& text) const {
  wxChoice* list = ListOf(*this);
  text.Empty();
  if (list != nullptr && index >= 0 && index < static_cast<int>(list->GetCount())) {
    text = FromWx(list->GetString(static_cast<unsigned>(index)));
  }
}

int CComboBox::FindStringExact(int start, LPCWSTR text) const {
  wxChoice* list = ListOf(*this);
  if (list == nullptr) {
    return CB_ERR;
  }
  const CString wanted(text);
  const int count = static_cast<int>(list->GetCount());
  for (int i = start < 0 ? 0 : start + 1; i < count; ++i) {
    if (FromWx(list->GetString(static_cast<unsigned>(i))) == wanted) {
      return i;
    }
  }
  return CB_ERR;
}
