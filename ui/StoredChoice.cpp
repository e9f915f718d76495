#include "ui/StoredChoice.h"

#include "libs/suppcore/Log.h"

int SelectStoredChoice(CComboBox& list, const CString& stored, int fallback, const char16_t* key) {
  const int found = stored.IsEmpty() ? CB_ERR : list.FindStringExact(-1, stored);
  if (found != CB_ERR)
    return list.SetCurSel(found);
  list.SetCurSel(fallback);
  if (!stored.IsEmpty()) {
    CString used;
    list.GetLBText(fallback, used);
    CLog::Bug2(u"Settings: the stored %s \"%s\" is none of the list's items; \"%s\" is used.", key,
               stored.GetString(), used.GetString());
  }
  return fallback;
}
