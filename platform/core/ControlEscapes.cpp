#include "platform/core/ControlEscapes.h"

#include <cstdio>

std::string EscapeControls(std::string_view text, bool breaksAsSpaces) {
  std::string shown;
  shown.reserve(text.size());
  char escape[8];
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
    if (breaksAsSpaces && (byte == '\n' || byte == '\r')) {
      shown += ' ';
    } else if (byte < 0x20 || byte == 0x7f) {
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      shown += escape;
    } else if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) {
      // Some terminals take the 8-bit CSI and its kin as an ESC sequence.
      std::snprintf(escape, sizeof escape, "\\u%04x", next);
      shown += escape;
      ++i;
    } else {
      shown += static_cast<char>(byte);
    }
  }
  return shown;
}
