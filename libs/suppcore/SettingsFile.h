// Where the settings store lives and how its file is read and replaced. Reads go through
// the SysCalls seam, so tests can fail them.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/CString.h"

// $XDG_CONFIG_HOME/ostrel/corvane.ini; $HOME/.config stands in for XDG_CONFIG_HOME when it
// is unset, empty or relative, as the base directory rules say. Empty when there is no
// home either.
std::string DefaultSettingsPath();

enum class SettingsRead { ok, missing, failed };

// Reads the whole file into bytes. missing: nothing by that name. failed: error says why.
SettingsRead ReadSettingsFile(const std::string& path, std::string& bytes, CString& error);

// Replaces the file at path (the file a symbolic link there leads to) by one holding bytes, or
// leaves it as it was (GLib writes a new file beside it, mode 0600, and renames it over the old
// one). Missing directories are created with mode 0700. false, with error saying why, when the file
// could not be replaced.
bool ReplaceSettingsFile(const std::string& path, std::string_view bytes, CString& error);

// Renames the file at path to path + ".bad" (replacing an earlier one there), so that a
// store that cannot be used is kept for the user while a new one takes its place. false,
// with error saying why, when it could not be renamed.
bool MoveSettingsFileAside(const std::string& path, std::string& movedTo, CString& error);
