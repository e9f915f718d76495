#include "app/Settings.h"

#include "app/SettingsKeys.h"

namespace {

struct KeyDefault {
  LPCWSTR key;
  LPCWSTR defaultText;
};

// In this order in the settings file.
constexpr KeyDefault kKeys[] = {
    {SettingsKey::kTextFileName, u""},   {SettingsKey::kJSONFileName, u""},
    {SettingsKey::kSeparator, u"<tab>"}, {SettingsKey::kCustom, u""},
    {SettingsKey::kFormat, u"JSON"},
};

}  // namespace

CSettings::CSettings() {
  for (const KeyDefault& entry : kKeys)
    Add(entry.key, S_STRING, 0, entry.defaultText);
}
