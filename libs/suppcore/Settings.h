// _Settings: the settings store, a set of named texts kept in a GLib key file under
// $XDG_CONFIG_HOME/ostrel/corvane.ini (default ~/.config; SettingsIni.h has the form).
// Keys are registered with a default; LoadData replaces defaults with saved values;
// SaveData writes the keys this run changed over the file as it is on disk then (other
// keys, another instance's changes and comments stay) into a new file and renames it into
// place, so a crash never leaves a half-written store. Every text round-trips exactly
// (spaces at either end, '=', ';', '#', quotes, backslashes, tabs, line breaks,
// non-ASCII, the empty text).
//
// A missing store leaves the defaults. An unreadable or malformed store leaves the
// defaults, is logged and moved aside to corvane.ini.bad, so that no save replaces it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/core/CString.h"

enum S_TYPE { S_STRING = 0, S_INT = 1 };

class _Settings {
 public:
  _Settings();
  virtual ~_Settings();
  _Settings(const _Settings&) = delete;
  _Settings& operator=(const _Settings&) = delete;

  // Registers a key with its default text. type and intValue are kept for the library's
  // own keys; every key of the program is text.
  void Add(LPCWSTR name, S_TYPE type, int intValue, LPCWSTR defaultText);
  void LoadData();
  // Empty when the changes are saved (or there were none), else the text that says which
  // file could not be saved and why, which is also logged.
  CString SaveData();
  // What the last LoadData found wrong with the store and did about it, as logged; empty
  // when the store was missing or fine.
  CString LoadProblem() const { return m_loadProblem; }

  // The key's current text: the last loaded or set value, else its default, else empty.
  CString getStr(LPCWSTR name) const;
  // Sets the key's text; a key not registered yet is registered with an empty default. A
  // text other than the current one is a change, which the next SaveData writes.
  void setStr(LPCWSTR name, CString value);
  // Integer view of a key (the dialog library's window placement); fallback when the
  // text is not a number.
  int getInt(LPCWSTR name, int fallback = 0) const;
  void setInt(LPCWSTR name, int value);

  // The file behind the store; tests point it elsewhere.
  std::string GetPath() const { return m_path; }
  void SetPath(std::string path) { m_path = std::move(path); }

 private:
  struct Entry {
    S_TYPE type;
    int intValue;
    CString defaultText;
    CString value;
    bool hasValue;
    bool changed = false;
  };
  // Logs that the store could not be saved and why; the text logged.
  CString NotSaved(const CString& reason) const;
  // Takes the lines of bytes that can't be read out of them, keeps them in the store's
  // ".bad" file and logs them; false when they could not be kept.
  bool KeepBadLinesAside(std::string& bytes);
  // Moves an unusable store aside and logs it; the text logged.
  CString MoveAside(const char16_t* format, const CString& reason);
  std::map<CString, Entry> m_entries;
  std::vector<CString> m_order;  // registration order, for a stable file
  std::string m_path;
  CString m_loadProblem;
};
