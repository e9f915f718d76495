// The texts the settings store writes to the log, and the reasons it gives for a store it
// cannot use. Tests compare against these, so the wording lives in one place.
#pragma once

namespace SettingsMessages {

// The store exists but could not be read; %s the store's path, %s the system's reason.
// Followed by kMovedAside or kNotMovedAside.
inline constexpr char16_t kUnreadable[] = u"Could not read the settings file '%s': %s.";
// The store is not in a form the store reads; %s the path, %s why (GLib's reason or one of
// those below). Followed by kMovedAside or kNotMovedAside.
inline constexpr char16_t kMalformed[] = u"The settings file '%s' is malformed (%s).";
// A store that cannot be used is kept under another name, so that saving never replaces
// it; %s the name it was given.
inline constexpr char16_t kMovedAside[] =
    u" It was moved to '%s' and the settings start again from the defaults.";
// %s the name it should have been given, %s the system's reason.
inline constexpr char16_t kNotMovedAside[] =
    u" It could not be moved to '%s' (%s): the defaults are used and nothing is saved.";
// Lines of the store that can't be read: %s the path, %d how many, %s where they are kept.
inline constexpr char16_t kBadLines[] =
    u"The settings file '%s' has %d line(s) that can't be read: they were moved to '%s' and "
    u"the other settings are used.";
// One of them: %d its number, %s why, %s the line.
inline constexpr char16_t kBadLine[] = u"Line %d of the settings file can't be read (%s): %s";
// The store could not be written; %s the path, %s the system's reason. The previous file
// is left as it was.
inline constexpr char16_t kNotSaved[] = u"Could not save the settings file '%s': %s";

// Reasons for kMalformed.
inline constexpr char16_t kBadUtf8[] = u"invalid UTF-8";
inline constexpr char16_t kBadHex[] = u"an entry of [UTF-16] is not hexadecimal UTF-16";

// Reasons for kUnreadable and kNotSaved besides the system's own.
inline constexpr char16_t kTooLarge[] = u"file too large";
inline constexpr char16_t kNotRegularFile[] = u"not a regular file";
inline constexpr char16_t kNoHome[] = u"no home directory";
inline constexpr char16_t kUnusable[] =
    u"the file there cannot be used and could not be moved aside";

}  // namespace SettingsMessages
