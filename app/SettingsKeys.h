// The names of the program's settings, so that no key is spelled in more than one place.
// Their defaults are registered by CSettings.
#pragma once

namespace SettingsKey {

// Path of the delimited text file to convert.
inline constexpr const char16_t* kTextFileName = u"TextFileName";
// Path of the JSON or BSON file to write.
inline constexpr const char16_t* kJSONFileName = u"JSONFileName";
// Text of the separator list's selected item ("<tab>", ",", "|" or "Custom").
inline constexpr const char16_t* kSeparator = u"Separator";
// Text of the custom separator field.
inline constexpr const char16_t* kCustom = u"Custom";
// Text of the format list's selected item, "JSON" or "BSON".
inline constexpr const char16_t* kFormat = u"Format";

}  // namespace SettingsKey
