#include "engine/FieldBytes.h"

#include <cstring>

#include "engine/Utf8Sequence.h"

namespace fieldbytes {

namespace {

// Writes the characters of field bytes from pos on as UTF-8, as the reader decodes them:
// of a run of carriage returns every second one is kept (the reader skips one before any
// character), a byte that starts no well-formed sequence is the character of its value.
// A carriage return or the field's end cuts a sequence short, as in the reader.
char* Transcode(const unsigned char* bytes, std::size_t pos, std::size_t size, char* out) {
  while (pos < size) {
    const unsigned char byte = bytes[pos];
    if (byte == kCarriageReturn) {
      std::size_t run = 0;
      while (pos < size && bytes[pos] == kCarriageReturn) {
        ++run;
        ++pos;
      }
      std::memset(out, kCarriageReturn, run / 2);
      out += run / 2;
    } else if (byte < 0x80) {
      *out++ = static_cast<char>(byte);
      ++pos;
    } else {
      const Utf8Sequence::Decoded decoded = Utf8Sequence::Decode(bytes + pos, size - pos, true);
      if (decoded.used == 1) {
        *out++ = static_cast<char>(0xC0 | (byte >> 6));
        *out++ = static_cast<char>(0x80 | (byte & 0x3F));
      } else {
        std::memcpy(out, bytes + pos, decoded.used);
        out += decoded.used;
      }
      pos += decoded.used;
    }
  }
  return out;
}

}  // namespace

// The field's characters as UTF-8: the bytes themselves when they are already that (no
// carriage return, well-formed UTF-8), else written to scratch, which has room for two
// bytes per field byte.
std::string_view FieldText(const unsigned char* bytes, std::size_t size, char*& scratch) {
  std::size_t pos = 0;
  while (pos < size) {
    const unsigned char byte = bytes[pos];
    if (byte < 0x80) {
      if (byte == kCarriageReturn)
        break;
      ++pos;
      continue;
    }
    const Utf8Sequence::Decoded decoded = Utf8Sequence::Decode(bytes + pos, size - pos, true);
    if (decoded.used == 1)
      break;
    pos += decoded.used;
  }
  if (pos == size)
    return {reinterpret_cast<const char*>(bytes), size};
  char* const start = scratch;
  std::memcpy(start, bytes, pos);
  scratch = Transcode(bytes, pos, size, start + pos);
  return {start, static_cast<std::size_t>(scratch - start)};
}

}  // namespace fieldbytes
