#include "platform/core/Utf8.h"

namespace utf8 {

CString DecodeLikeSource(std::string_view bytes) {
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  std::u16string text;
  text.reserve(bytes.size());
  for (std::size_t pos = 0; pos < bytes.size();) {
    const Decoded decoded = Decode(begin + pos, bytes.size() - pos, true);
    AppendUtf16(decoded.codePoint, text);
    pos += decoded.used;
  }
  return CString(std::move(text));
}

}  // namespace utf8
