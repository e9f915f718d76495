#include "ui/Encodings.h"

#include <array>

namespace {

constexpr std::array<const char16_t*, 12> kChoices = {
    u"Automatic",   u"UTF-8",        u"UTF-16LE",     u"UTF-16BE",  u"Windows-1252", u"ISO-8859-1",
    u"ISO-8859-15", u"Windows-1250", u"Windows-1251", u"Shift_JIS", u"GB18030",      u"KOI8-R"};

}  // namespace

std::span<const char16_t* const> EncodingChoices() {
  return kChoices;
}

int EncodingChoiceIndex(const CString& text) {
  for (std::size_t k = 0; k < kChoices.size(); ++k)
    if (text == kChoices[k])
      return static_cast<int>(k);
  return 0;
}

std::string EncodingOfChoice(const CString& item) {
  const int index = EncodingChoiceIndex(item);
  return index == 0 ? std::string() : CString(kChoices[index]).ToUtf8();
}
