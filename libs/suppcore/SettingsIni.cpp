#include "libs/suppcore/SettingsIni.h"

#include <glib.h>

#include <memory>

#include "libs/suppcore/SettingsMessages.h"
#include "platform/core/Utf8.h"

namespace {

constexpr char kGroup[] = "Settings";
constexpr char kExactGroup[] = "UTF-16";
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

// Well-formed UTF-8 that a C string can carry: a key file holds no NUL.
bool IsKeyFileText(std::string_view bytes) {
  return utf8::IsWellFormed(bytes) && bytes.find('\0') == std::string_view::npos;
}

// The UTF-8 form of text, when it holds the text exactly and a key file can carry it.
bool ExactUtf8(const CString& text, std::string& utf8) {
  utf8 = text.ToUtf8();
  return IsKeyFileText(utf8) && CString::FromUtf8(utf8) == text;
}

// A key file takes a key that is not empty, has no '=', '[', ']' or control character,
// no space at either end and does not look like a comment. It refuses to load a file whose
// first group has a key "Encoding" of any value but "UTF-8" (a rule of desktop entries).
bool ExactKey(const CString& key, std::string& utf8) {
  if (!ExactUtf8(key, utf8) || utf8.empty() || utf8.front() == ' ' || utf8.back() == ' ' ||
      utf8.front() == '#' || utf8 == "Encoding") {
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

bool MergeSettingsIni(std::string_view bytes, const std::vector<SettingsPair>& changes,
                      std::string& merged, CString& reason) {
  std::vector<SettingsPair> pairs;
  if (!ParseSettingsIni(bytes, pairs, reason)) {
    return false;
  }
  bytes = WithoutMark(bytes);
  if (bytes.empty()) {
    merged = FormatSettingsIni(changes);
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
  if (!IsKeyFileText(bytes)) {
    reason = SettingsMessages::kBadUtf8;
    return false;
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

std::string SalvageSettingsIni(std::string_view bytes, std::vector<BadSettingsLine>& bad) {
  bytes = WithoutMark(bytes);
  std::string good;
  std::string group;  // the header of the group the next key belongs to
  std::vector<SettingsPair> ignored;
  int number = 0;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    const std::string line(bytes.substr(0, end));
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    ++number;
    const std::size_t first = line.find_first_not_of(" \t");
    const bool header = first != std::string::npos && line[first] == '[';
    // Each line is read as the key file would read it, under the group it stands in.
    CString reason;
    if (first != std::string::npos && line[first] != '#' &&
        !ParseSettingsIni((header ? std::string() : group) + line + "\n", ignored, reason)) {
      bad.push_back({number, line, reason});
      continue;
    }
    if (header)
      group = line + "\n";
    good += line + "\n";
  }
  return good;
}
