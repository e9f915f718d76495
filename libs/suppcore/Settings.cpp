#include "libs/suppcore/Settings.h"

#include <charconv>

#include "libs/suppcore/Log.h"
#include "libs/suppcore/SettingsFile.h"
#include "libs/suppcore/SettingsIni.h"
#include "libs/suppcore/SettingsMessages.h"

namespace {

CString Decimal(int value) {
  CString text;
  text.Format(u"%d", value);
  return text;
}

}  // namespace

_Settings::_Settings() : m_path(DefaultSettingsPath()) {}

_Settings::~_Settings() = default;

void _Settings::Add(LPCWSTR name, S_TYPE type, int intValue, LPCWSTR defaultText) {
  CString key(name);
  CString fallback(defaultText);
  // The library's integer keys are registered with their number and no text.
  if (type == S_INT && fallback.IsEmpty())
    fallback = Decimal(intValue);
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

void _Settings::LoadData() {
  for (auto& [key, entry] : m_entries) {
    entry.value.Empty();
    entry.hasValue = false;
  }
  std::string bytes;
  CString reason;
  SettingsRead read = ReadSettingsFile(m_path, bytes, reason);
  CString path = CString::FromUtf8(m_path);
  if (read == SettingsRead::missing)
    return;
  if (read == SettingsRead::failed) {
    CLog::Bug2(SettingsMessages::kUnreadable, path.GetString(), reason.GetString());
    return;
  }
  std::vector<SettingsPair> pairs;
  // All or nothing: values from a file that is only partly understood could be wrong
  // in ways nobody would notice.
  if (!ParseSettingsIni(bytes, pairs, reason)) {
    CLog::Bug2(SettingsMessages::kMalformed, path.GetString(), reason.GetString());
    return;
  }
  for (SettingsPair& pair : pairs) {
    // Keys this program does not register (the dialog library's, a later version's) are
    // kept so that saving writes them back.
    auto [it, added] =
        m_entries.try_emplace(pair.key, Entry{S_STRING, 0, CString(), CString(), false});
    if (added)
      m_order.push_back(pair.key);
    it->second.value = std::move(pair.value);
    it->second.hasValue = true;
  }
}

void _Settings::SaveData() {
  std::vector<SettingsPair> pairs;
  pairs.reserve(m_order.size());
  for (const CString& key : m_order) {
    const Entry& entry = m_entries.at(key);
    pairs.push_back({key, entry.hasValue ? entry.value : entry.defaultText});
  }
  CString reason;
  if (!ReplaceSettingsFile(m_path, FormatSettingsIni(pairs), reason)) {
    CString path = CString::FromUtf8(m_path);
    CLog::Bug2(SettingsMessages::kNotSaved, path.GetString(), reason.GetString());
  }
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
  setStr(name, Decimal(value));
}
