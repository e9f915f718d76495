// The texts the settings store writes to the log, and the reasons it gives for a store it
// cannot use. Tests compare against these, so the wording lives in one place.
#pragma once

namespace SettingsMessages {

// The store exists but could not be read; %s the store's path, %s the system's reason.
inline constexpr char16_t kUnreadable[] =
    u"Could not read the settings file '%s': %s. Using the defaults.";
// The store is not in the form the store writes; %s the path, %d the line (from 1), %s one
// of the reasons below. The file is left as it is until the settings are saved again.
inline constexpr char16_t kMalformed[] =
    u"The settings file '%s' is malformed (line %d: %s). Using the defaults.";
// The store could not be written; %s the path, %s the system's reason. The previous file
// is left as it was.
inline constexpr char16_t kNotSaved[] = u"Could not save the settings file '%s': %s";

// Reasons for kMalformed.
inline constexpr char16_t kBadUtf8[] = u"invalid UTF-8";
inline constexpr char16_t kBadLine[] = u"expected key=\"value\"";
inline constexpr char16_t kBadSection[] = u"unknown section";
inline constexpr char16_t kOutsideSection[] = u"key before the [corvane] section";
inline constexpr char16_t kBadEscape[] = u"bad escape";
inline constexpr char16_t kUnterminated[] = u"unterminated quote";
inline constexpr char16_t kControlCharacter[] = u"control character inside quotes";
inline constexpr char16_t kDuplicateKey[] = u"key given twice";

// Reasons for kUnreadable and kNotSaved besides the system's own.
inline constexpr char16_t kTooLarge[] = u"file too large";
inline constexpr char16_t kNotRegularFile[] = u"not a regular file";
inline constexpr char16_t kNoHome[] = u"no home directory";

}  // namespace SettingsMessages
