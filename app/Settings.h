// CSettings: the program's settings store, the library's store with the program's keys
// (SettingsKeys.h) registered with their defaults. Every value is text, kept exactly as the
// window's controls show it.
#pragma once

#include "libs/suppcore/Settings.h"

class CSettings : public _Settings {
 public:
  CSettings();
};
