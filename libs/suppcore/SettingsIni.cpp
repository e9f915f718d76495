#include "libs/suppcore/SettingsIni.h"

#include <glib.h>

#include <algorithm>
#include <memory>

#include "libs/suppcore/SettingsMessages.h"

namespace {

constexpr char kGroup[] = "Settings";
constexpr char kExactGroup[] = "UTF-16";
constexpr std::string_view kLegacySection = "[corvane]";
constexpr char kLegacyGroup[] = "corvane";
// Starts every key of [UTF-16], so that the empty key has a name too.
constexpr char kExactKeyMark[] = "u";
constexpr char kComment[] =
    " Ostrel Corvane Converter settings. A text that UTF-8 cannot hold is in [UTF-16],\n"
    " key and value as hexadecimal UTF-16 units.";

struct KeyFileFree {
  void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;
struct GFree {
  void operator()(void* memory) const { g_free(memory); }
};
using GText = std::unique_ptr<char, GFree>;
using StrList = std::unique_ptr<char*, decltype(&g_strfreev)>;

CString TakeError(GError* error) {
  CString reason = CString::FromUtf8(error->message);
  g_error_free(error);
  return reason;
}

// The UTF-8 form of text, when it holds the text exactly and a C string can carry it
// (g_utf8_validate refuses a NUL within the length it is given).
bool ExactUtf8(const CString& text, std::string& utf8) {
  utf8 = text.ToUtf8();
  return g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr) &&
         CString::FromUtf8(utf8) == text;
}

// A key file takes a key that is not empty, has no '=', '[', ']' or control character,
// no space at either end and does not look like a comment.
bool ExactKey(const CString& key, std::string& utf8) {
  if (!ExactUtf8(key, utf8) || utf8.empty() || utf8.front() == ' ' || utf8.back() == ' ' ||
      utf8.front() == '#') {
    return false;
  }
  for (unsigned char c : utf8) {
    if (c == '=' || c == '[' || c == ']' || c < 0x20 || c == 0x7F) {
      return false;
    }
  }
  return true;
}

std::string Hex(const CString& text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (char16_t unit : text.View()) {
    for (int shift = 12; shift >= 0; shift -= 4) {
      hex.push_back(kDigits[(unit >> shift) & 0xF]);
    }
  }
  return hex;
}

bool FromHex(std::string_view hex, CString& text) {
  if (hex.size() % 4 != 0) {
    return false;
  }
  std::u16string units;
  for (std::size_t at = 0; at < hex.size(); at += 4) {
    unsigned unit = 0;
    for (char c : hex.substr(at, 4)) {
      const int digit = g_ascii_xdigit_value(c);
      if (digit < 0) {
        return false;
      }
      unit = unit * 16 + static_cast<unsigned>(digit);
    }
    units.push_back(static_cast<char16_t>(unit));
  }
  text = CString(std::move(units));
  return true;
}

// The first section line decides the form: the earlier form allows no other section.
bool IsLegacyForm(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
      line.remove_prefix(1);
    }
    if (line.starts_with('[')) {
      return line.starts_with(kLegacySection);
    }
  }
  return false;
}

// One value of the earlier form: "text" with its escapes, blanks after it allowed.
LPCWSTR ReadLegacyValue(std::string_view raw, CString& value) {
  std::u16string units;
  CString text = CString::FromUtf8(raw);
  std::u16string_view rest = text.View();
  if (rest.empty() || rest.front() != u'"') {
    return SettingsMessages::kBadLine;
  }
  rest.remove_prefix(1);
  for (;;) {
    if (rest.empty()) {
      return SettingsMessages::kUnterminated;
    }
    const char16_t u = rest.front();
    rest.remove_prefix(1);
    if (u == u'"') {
      break;
    }
    if (u < 0x20) {
      return SettingsMessages::kControlCharacter;
    }
    if (u != u'\\') {
      units.push_back(u);
      continue;
    }
    if (rest.empty()) {
      return SettingsMessages::kUnterminated;
    }
    const char16_t escape = rest.front();
    rest.remove_prefix(1);
    const std::u16string_view simple = u"\\\"tnr";
    const std::u16string_view meaning = u"\\\"\t\n\r";
    if (const std::size_t at = simple.find(escape); at != std::u16string_view::npos) {
      units.push_back(meaning[at]);
      continue;
    }
    CString unit;
    if (escape != u'u' || rest.size() < 4 || !FromHex(CString(rest.substr(0, 4)).ToUtf8(), unit)) {
      return SettingsMessages::kBadEscape;
    }
    units += unit.View();
    rest.remove_prefix(4);
  }
  if (rest.find_first_not_of(u" \t") != std::u16string_view::npos) {
    return SettingsMessages::kBadLine;
  }
  value = CString(std::move(units));
  return nullptr;
}

bool ParseLegacy(std::string_view bytes, std::vector<SettingsPair>& pairs, CString& reason) {
  // A key file takes '#' comments only: the earlier form's ';' lines become blank ones.
  std::string text;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] != ';') {
      text += line;
    }
    text += '\n';
  }
  KeyFile file(g_key_file_new());
  GError* error = nullptr;
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, &error)) {
    reason = TakeError(error);
    return false;
  }
  StrList groups(g_key_file_get_groups(file.get(), nullptr), g_strfreev);
  for (char** group = groups.get(); *group != nullptr; ++group) {
    if (std::string_view(*group) != kLegacyGroup) {
      reason = SettingsMessages::kBadSection;
      return false;
    }
  }
  StrList keys(g_key_file_get_keys(file.get(), kLegacyGroup, nullptr, nullptr), g_strfreev);
  for (char** key = keys.get(); key != nullptr && *key != nullptr; ++key) {
    GText raw(g_key_file_get_value(file.get(), kLegacyGroup, *key, nullptr));
    SettingsPair pair{CString::FromUtf8(*key), CString()};
    if (LPCWSTR problem = ReadLegacyValue(raw.get(), pair.value)) {
      reason = pair.key + u": " + problem;
      return false;
    }
    pairs.push_back(std::move(pair));
  }
  return true;
}

// Sets one pair in the group that holds it exactly, and removes it from the other, where
// an earlier value may stand.
void SetPair(GKeyFile* file, const SettingsPair& pair) {
  std::string key;
  std::string value;
  // Appended rather than added to the mark: GCC 12 warns falsely on the sum.
  std::string exactKey(kExactKeyMark);
  exactKey += Hex(pair.key);
  if (ExactKey(pair.key, key) && ExactUtf8(pair.value, value)) {
    g_key_file_set_string(file, kGroup, key.c_str(), value.c_str());
    g_key_file_remove_key(file, kExactGroup, exactKey.c_str(), nullptr);
  } else {
    g_key_file_set_string(file, kExactGroup, exactKey.c_str(), Hex(pair.value).c_str());
    if (ExactKey(pair.key, key)) {
      g_key_file_remove_key(file, kGroup, key.c_str(), nullptr);
    }
  }
}

std::string ToData(GKeyFile* file) {
  gsize length = 0;
  GText data(g_key_file_to_data(file, &length, nullptr));
  return std::string(data.get(), length);
}

std::string_view WithoutMark(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
  }
  return bytes;
}

}  // namespace

std::string FormatSettingsIni(const std::vector<SettingsPair>& pairs) {
  KeyFile file(g_key_file_new());
  for (const SettingsPair& pair : pairs) {
    SetPair(file.get(), pair);
  }
  g_key_file_set_comment(file.get(), nullptr, nullptr, kComment, nullptr);
  return ToData(file.get());
}

bool IsEarlierSettingsForm(std::string_view bytes) {
  return IsLegacyForm(WithoutMark(bytes));
}

bool MergeSettingsIni(std::string_view bytes, const std::vector<SettingsPair>& changes,
                      std::string& merged, CString& reason) {
  std::vector<SettingsPair> pairs;
  if (!ParseSettingsIni(bytes, pairs, reason)) {
    return false;
  }
  bytes = WithoutMark(bytes);
  if (bytes.empty() || IsLegacyForm(bytes)) {
    // Nothing to keep but the pairs: the key-file form is written afresh.
    for (const SettingsPair& change : changes) {
      auto same = std::find_if(pairs.begin(), pairs.end(),
                               [&](const SettingsPair& pair) { return pair.key == change.key; });
      if (same != pairs.end()) {
        same->value = change.value;
      } else {
        pairs.push_back(change);
      }
    }
    merged = FormatSettingsIni(pairs);
    return true;
  }
  KeyFile file(g_key_file_new());
  // Parsed above already: this load cannot fail.
  g_key_file_load_from_data(
      file.get(), bytes.data(), bytes.size(),
      static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS), nullptr);
  for (const SettingsPair& change : changes) {
    SetPair(file.get(), change);
  }
  merged = ToData(file.get());
  return true;
}

bool ParseSettingsIni(std::string_view bytes, std::vector<SettingsPair>& pairs, CString& reason) {
  bytes = WithoutMark(bytes);
  if (!g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
    reason = SettingsMessages::kBadUtf8;
    return false;
  }
  if (IsLegacyForm(bytes)) {
    return ParseLegacy(bytes, pairs, reason);
  }
  KeyFile file(g_key_file_new());
  GError* error = nullptr;
  if (!g_key_file_load_from_data(file.get(), bytes.data(), bytes.size(), G_KEY_FILE_NONE, &error)) {
    reason = TakeError(error);
    return false;
  }
  for (const char* group : {kGroup, kExactGroup}) {
    StrList keys(g_key_file_get_keys(file.get(), group, nullptr, nullptr), g_strfreev);
    for (char** key = keys.get(); key != nullptr && *key != nullptr; ++key) {
      GText value(g_key_file_get_string(file.get(), group, *key, &error));
      if (value == nullptr) {
        reason = TakeError(error);
        return false;
      }
      SettingsPair pair{CString::FromUtf8(*key), CString::FromUtf8(value.get())};
      const std::string_view mark = kExactKeyMark;
      if (group == kExactGroup && (!std::string_view(*key).starts_with(mark) ||
                                   !FromHex(std::string_view(*key).substr(mark.size()), pair.key) ||
                                   !FromHex(value.get(), pair.value))) {
        reason = SettingsMessages::kBadHex;
        return false;
      }
      pairs.push_back(std::move(pair));
    }
  }
  return true;
}
