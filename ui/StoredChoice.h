// Restoring a drop-down list's stored choice. A stored text that is no item of the list
// (a hand-edited settings file, a value of another version) would otherwise become an item
// the program cannot act on: the list keeps its items, shows its default and the log says
// which value was set aside.
#pragma once

#include "platform/core/CString.h"
#include "platform/gui/ComboBox.h"

// Selects the item equal to stored; for any other text (an empty one included) selects
// the item at fallback and, unless stored is empty, logs that the value of key was not
// used. Returns the index selected.
int SelectStoredChoice(CComboBox& list, const CString& stored, int fallback, const char16_t* key);
