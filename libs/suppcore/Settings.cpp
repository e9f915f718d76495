#include "libs/suppcore/Settings.h"

#include <charconv>

#include "libs/suppcore/Log.h"
#include "libs/suppcore/SettingsFile.h"
#include "libs/suppcore/SettingsIni.h"
#include "libs/suppcore/SettingsMessages.h"
#include "platform/core/Formatted.h"

_Settings::_Settings() : m_path(DefaultSettingsPath()) {}

_Settings::~_Settings() = default;

void _Settings::Add(LPCWSTR name, S_TYPE type, int intValue, LPCWSTR defaultText) {
  CString key(name);
  CString fallback(defaultText);
  // The library's integer keys are registered with their number and no text.
  if (type == S_INT && fallback.IsEmpty())
    fallback = Formatted(u"%d", intValue);
  auto [it, added] = m_entries.try_emplace(key, Entry{type, intValue, fallback, CString(), false});
  if (added) {
    m_order.push_back(key);
    return;
  }
  // Registered again, or first met in the file: the value stays, the default is the new one.
  it->second.type = type;
  it->second.intValue = intValue;
  it->second.defaultText = fallback;
}

CString _Settings::NotSaved(const CString& reason) const {
  const CString text = Formatted(SettingsMessages::kNotSaved, CString::FromUtf8(m_path).GetString(),
                                 reason.GetString());
  CLog::Bug(text, nullptr, nullptr, 0);
  return text;
}

CString _Settings::MoveAside(const char16_t* format, const CString& reason) {
  const CString path = CString::FromUtf8(m_path);
  CString text = Formatted(format, path.GetString(), reason.GetString());
  std::string movedTo;
  CString error;
  if (MoveSettingsFileAside(m_path, movedTo, error))
    text += Formatted(SettingsMessages::kMovedAside, CString::FromUtf8(movedTo).GetString());
  else
    text += Formatted(SettingsMessages::kNotMovedAside, CString::FromUtf8(movedTo).GetString(),
                      error.GetString());
  CLog::Bug(text, nullptr, nullptr, 0);
  return text;
}

bool _Settings::KeepBadLinesAside(std::string& bytes) {
  std::vector<SettingsPair> pairs;
  CString reason;
  // Line by line only when needed: each line alone costs a key file of its own.
  if (ParseSettingsIni(bytes, pairs, reason))
    return true;
  std::vector<BadSettingsLine> bad;
  std::string good = SalvageSettingsIni(bytes, bad);
  if (bad.empty())
    return true;
  std::string kept;
  for (const BadSettingsLine& line : bad)
    kept += line.text + "\n";
  const std::string keptAt = m_path + ".bad";
  CString error;
  // Without a copy of them the lines would be lost at the next save: the whole file is
  // kept aside instead.
  if (!ReplaceSettingsFile(keptAt, kept, error))
    return false;
  for (const BadSettingsLine& line : bad)
    CLog::Bug(Formatted(SettingsMessages::kBadLine, line.number, line.reason.GetString(),
                        CString::FromUtf8(line.text).GetString()),
              nullptr, nullptr, 0);
  m_loadProblem = Formatted(SettingsMessages::kBadLines, CString::FromUtf8(m_path).GetString(),
                            static_cast<int>(bad.size()), CString::FromUtf8(keptAt).GetString());
  CLog::Bug(m_loadProblem, nullptr, nullptr, 0);
  bytes = std::move(good);
  return true;
}

void _Settings::LoadData() {
  m_loadProblem.Empty();
  for (auto& [key, entry] : m_entries) {
    entry.value.Empty();
    entry.hasValue = false;
    entry.changed = false;
  }
  std::string bytes;
  CString reason;
  SettingsRead read = ReadSettingsFile(m_path, bytes, reason);
  if (read == SettingsRead::missing)
    return;
  if (read == SettingsRead::failed) {
    m_loadProblem = MoveAside(SettingsMessages::kUnreadable, reason);
    return;
  }
  std::vector<SettingsPair> pairs;
  // A line that can't be read costs only itself; the whole file could still be unusable.
  if (!KeepBadLinesAside(bytes) || !ParseSettingsIni(bytes, pairs, reason)) {
    m_loadProblem = MoveAside(SettingsMessages::kMalformed, reason);
    return;
  }
  for (SettingsPair& pair : pairs) {
    // Keys this program does not register (the dialog library's, a later version's) are
    // kept, for getStr; the file keeps them anyway.
    auto [it, added] =
        m_entries.try_emplace(pair.key, Entry{S_STRING, 0, CString(), CString(), false});
    if (added)
      m_order.push_back(pair.key);
    it->second.value = std::move(pair.value);
    it->second.hasValue = true;
  }
}

CString _Settings::SaveData() {
  std::vector<SettingsPair> changes;
  for (const CString& key : m_order) {
    const Entry& entry = m_entries.at(key);
    if (entry.changed)
      changes.push_back({key, entry.value});
  }
  // Written over what is there now, so that another instance's changes stay.
  std::string bytes;
  CString reason;
  SettingsRead read = ReadSettingsFile(m_path, bytes, reason);
  if (changes.empty())
    return CString();
  std::string merged;
  bool usable = read != SettingsRead::failed && KeepBadLinesAside(bytes);
  if (usable && !MergeSettingsIni(bytes, changes, merged, reason))
    usable = false;
  if (!usable) {
    // Broken since it was loaded: kept aside like one found broken at start.
    MoveAside(
        read == SettingsRead::failed ? SettingsMessages::kUnreadable : SettingsMessages::kMalformed,
        reason);
    if (ReadSettingsFile(m_path, bytes, reason) != SettingsRead::missing)
      return NotSaved(SettingsMessages::kUnusable);
    merged = FormatSettingsIni(changes);
  }
  if (!ReplaceSettingsFile(m_path, merged, reason))
    return NotSaved(reason);
  for (auto& [key, entry] : m_entries)
    entry.changed = false;
  return CString();
}

CString _Settings::getStr(LPCWSTR name) const {
  auto it = m_entries.find(CString(name));
  if (it == m_entries.end())
    return CString();
  return it->second.hasValue ? it->second.value : it->second.defaultText;
}

void _Settings::setStr(LPCWSTR name, CString value) {
  CString key(name);
  if (!m_entries.count(key))
    Add(key, S_STRING, 0, nullptr);
  Entry& entry = m_entries.at(key);
  if (value != (entry.hasValue ? entry.value : entry.defaultText))
    entry.changed = true;
  entry.value = std::move(value);
  entry.hasValue = true;
}

int _Settings::getInt(LPCWSTR name, int fallback) const {
  std::string text = getStr(name).ToUtf8();
  int value = 0;
  const char* end = text.data() + text.size();
  auto [stop, status] = std::from_chars(text.data(), end, value);
  if (text.empty() || status != std::errc() || stop != end)
    return fallback;
  return value;
}

void _Settings::setInt(LPCWSTR name, int value) {
  setStr(name, Formatted(u"%d", value));
}
