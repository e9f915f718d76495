#include "libs/suppcore/SettingsIni.h"

#include <set>

#include "libs/suppcore/SettingsMessages.h"

namespace {

constexpr std::string_view kHeader =
    "; Ostrel Corvane Converter settings. Values are in double quotes; inside them\n"
    "; \\\\ \\\" \\t \\n \\r and \\uXXXX are escapes.\n"
    "[corvane]\n";
constexpr std::u16string_view kSection = u"[corvane]";

bool IsHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}
bool IsControl(char16_t u) {
  return u < 0x20 || u == 0x7F;
}
bool IsBlank(char16_t u) {
  return u == u' ' || u == u'\t';
}

void AppendUnitEscape(std::string& out, char16_t unit) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4)
    out.push_back(kHex[(unit >> shift) & 0xF]);
}

void AppendQuoted(std::string& out, std::u16string_view text) {
  out.push_back('"');
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    switch (u) {
      case u'\\':
        out += "\\\\";
        continue;
      case u'"':
        out += "\\\"";
        continue;
      case u'\t':
        out += "\\t";
        continue;
      case u'\n':
        out += "\\n";
        continue;
      case u'\r':
        out += "\\r";
        continue;
      default:
        break;
    }
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, text.substr(i, 2));
      ++i;
    } else if (IsControl(u) || IsHighSurrogate(u) || IsLowSurrogate(u)) {
      // UTF-8 has no form for a lone surrogate, and a raw control character would break
      // the line or be lost to an editor.
      AppendUnitEscape(out, u);
    } else {
      AppendUtf8(out, text.substr(i, 1));
    }
  }
  out.push_back('"');
}

bool IsPlainKey(std::u16string_view key) {
  if (key.empty() || IsBlank(key.front()) || IsBlank(key.back()))
    return false;
  if (key.front() == u'[' || key.front() == u';' || key.front() == u'#')
    return false;
  for (char16_t u : key) {
    if (IsControl(u) || u == u'"' || u == u'\\' || u == u'=' || IsHighSurrogate(u) ||
        IsLowSurrogate(u))
      return false;
  }
  return true;
}

int HexValue(char16_t u) {
  if (u >= u'0' && u <= u'9')
    return u - u'0';
  if (u >= u'a' && u <= u'f')
    return u - u'a' + 10;
  if (u >= u'A' && u <= u'F')
    return u - u'A' + 10;
  return -1;
}

// Reads one escape after a backslash at line[pos - 1]; pos ends after it.
LPCWSTR ReadEscape(std::u16string_view line, size_t& pos, std::u16string& out) {
  if (pos >= line.size())
    return SettingsMessages::kUnterminated;
  switch (line[pos++]) {
    case u'\\':
      out.push_back(u'\\');
      return nullptr;
    case u'"':
      out.push_back(u'"');
      return nullptr;
    case u't':
      out.push_back(u'\t');
      return nullptr;
    case u'n':
      out.push_back(u'\n');
      return nullptr;
    case u'r':
      out.push_back(u'\r');
      return nullptr;
    case u'u':
      break;
    default:
      return SettingsMessages::kBadEscape;
  }
  int unit = 0;
  for (int k = 0; k < 4; ++k, ++pos) {
    int digit = pos < line.size() ? HexValue(line[pos]) : -1;
    if (digit < 0)
      return SettingsMessages::kBadEscape;
    unit = unit * 16 + digit;
  }
  out.push_back(static_cast<char16_t>(unit));
  return nullptr;
}

// Reads a quoted text starting at the quote at line[pos]; pos ends after the closing
// quote. Returns the reason when it is malformed.
LPCWSTR ReadQuoted(std::u16string_view line, size_t& pos, std::u16string& out) {
  for (++pos; pos < line.size();) {
    char16_t u = line[pos++];
    if (u == u'"')
      return nullptr;
    if (u == u'\\') {
      if (LPCWSTR reason = ReadEscape(line, pos, out))
        return reason;
    } else if (u < 0x20) {
      return SettingsMessages::kControlCharacter;
    } else {
      out.push_back(u);
    }
  }
  return SettingsMessages::kUnterminated;
}

void SkipBlanks(std::u16string_view line, size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos]))
    ++pos;
}

LPCWSTR ReadKey(std::u16string_view line, size_t& pos, std::u16string& key) {
  if (line[pos] == u'"')
    return ReadQuoted(line, pos, key);
  size_t end = line.find(u'=', pos);
  if (end == std::u16string_view::npos)
    return SettingsMessages::kBadLine;
  size_t last = end;
  while (last > pos && IsBlank(line[last - 1]))
    --last;
  key.assign(line.substr(pos, last - pos));
  pos = last;
  return IsPlainKey(key) ? nullptr : SettingsMessages::kBadLine;
}

// Reads a key="value" line whose first non-blank unit is at pos.
LPCWSTR ReadPair(std::u16string_view line, size_t pos, SettingsPair& pair) {
  std::u16string key;
  std::u16string value;
  if (LPCWSTR reason = ReadKey(line, pos, key))
    return reason;
  SkipBlanks(line, pos);
  if (pos >= line.size() || line[pos] != u'=')
    return SettingsMessages::kBadLine;
  SkipBlanks(line, ++pos);
  if (pos >= line.size() || line[pos] != u'"')
    return SettingsMessages::kBadLine;
  if (LPCWSTR reason = ReadQuoted(line, pos, value))
    return reason;
  SkipBlanks(line, pos);
  if (pos != line.size())
    return SettingsMessages::kBadLine;
  pair = {CString(std::move(key)), CString(std::move(value))};
  return nullptr;
}

class Parser {
 public:
  explicit Parser(std::vector<SettingsPair>& pairs) : m_pairs(pairs) {}

  // Takes one line without its line end; returns the reason when it is malformed.
  LPCWSTR Line(std::u16string_view line) {
    size_t pos = 0;
    SkipBlanks(line, pos);
    if (pos == line.size() || line[pos] == u';' || line[pos] == u'#')
      return nullptr;
    if (line[pos] == u'[') {
      size_t end = line.size();
      while (end > pos && IsBlank(line[end - 1]))
        --end;
      m_inSection = line.substr(pos, end - pos) == kSection;
      return m_inSection ? nullptr : SettingsMessages::kBadSection;
    }
    if (!m_inSection)
      return SettingsMessages::kOutsideSection;
    SettingsPair pair;
    if (LPCWSTR reason = ReadPair(line, pos, pair))
      return reason;
    if (!m_keys.insert(pair.key).second)
      return SettingsMessages::kDuplicateKey;
    m_pairs.push_back(std::move(pair));
    return nullptr;
  }

 private:
  std::vector<SettingsPair>& m_pairs;
  std::set<CString> m_keys;
  bool m_inSection = false;
};

int LineOfOffset(std::string_view bytes, size_t offset) {
  int line = 1;
  for (size_t i = 0; i < offset; ++i)
    line += bytes[i] == '\n';
  return line;
}

}  // namespace

std::string FormatSettingsIni(const std::vector<SettingsPair>& pairs) {
  std::string out(kHeader);
  for (const SettingsPair& pair : pairs) {
    if (IsPlainKey(pair.key.View()))
      AppendUtf8(out, pair.key.View());
    else
      AppendQuoted(out, pair.key.View());
    out.push_back('=');
    AppendQuoted(out, pair.value.View());
    out.push_back('\n');
  }
  return out;
}

bool ParseSettingsIni(std::string_view bytes, std::vector<SettingsPair>& pairs,
                      SettingsParseError& error) {
  if (bytes.starts_with("\xEF\xBB\xBF"))
    bytes.remove_prefix(3);
  std::u16string text;
  size_t bad = 0;
  if (!Utf8ToUtf16Strict(bytes, text, &bad)) {
    error = {LineOfOffset(bytes, bad), SettingsMessages::kBadUtf8};
    return false;
  }
  Parser parser(pairs);
  std::u16string_view rest = text;
  for (int number = 1; !rest.empty(); ++number) {
    size_t end = rest.find(u'\n');
    std::u16string_view line = rest.substr(0, end);
    rest = end == std::u16string_view::npos ? std::u16string_view() : rest.substr(end + 1);
    if (line.ends_with(u'\r'))
      line.remove_suffix(1);
    if (LPCWSTR reason = parser.Line(line)) {
      error = {number, reason};
      return false;
    }
  }
  return true;
}
