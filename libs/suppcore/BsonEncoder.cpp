#include "libs/suppcore/BsonEncoder.h"

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/core/Simd.h"

namespace {

// BSON's little-endian int32.
char* PutLength(char* out, std::uint32_t length) {
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
  return out + 4;
}

void EncodeKey(std::size_t /*index*/, std::string_view name, std::string& bytes) {
  bytes.assign(1, '\x02');
  bytes.append(name.substr(0, name.find('\0')));
  bytes.push_back('\0');
}

}  // namespace

// A row's length is known before its bytes are written, since its values are UTF-8
// already: the document needs no going back.
void BsonEncoder::Row(std::size_t /*index*/, const ObjectNames& names,
                      const std::string_view* values) {
  const ObjectNameCache& keys = m_keys.Get(names, EncodeKey);
  const std::size_t count = names.size();
  std::uint64_t length = 4 + 1;
  std::size_t bound = 4 + keys.PaddedSize() + 1;
  for (std::size_t k = 0; k < count; ++k) {
    length += keys[k].size() + 4 + values[k].size() + 1;
    bound += 4 + values[k].size() + 1 + kSimdPadding;
  }
  if (length > INT32_MAX) {
    // BSON counts in signed 32 bits: a longer row cannot be written, and a wrong length
    // would make every following document unreadable.
    throw CFileException(CFileException::genericException, EFBIG, m_out.File()->GetFilePath());
  }
  if (bound > kMaxRowReservation) {
    RowInPieces(static_cast<std::uint32_t>(length), keys, count, values);
    return;
  }
  char* out = PutLength(m_out.Reserve(bound), static_cast<std::uint32_t>(length));
  for (std::size_t k = 0; k < count; ++k) {
    out = CopyPadded(out, keys[k]);
    out = PutLength(out, static_cast<std::uint32_t>(values[k].size() + 1));
    out = CopyPadded(out, values[k]);
    *out++ = '\0';
  }
  *out++ = '\0';
  m_out.Commit(out);
}

void BsonEncoder::RowInPieces(std::uint32_t length, const ObjectNameCache& keys, std::size_t count,
                              const std::string_view* values) {
  char bytes[4];
  PutLength(bytes, length);
  m_out.Append({bytes, 4});
  for (std::size_t k = 0; k < count; ++k) {
    m_out.Append(keys[k]);
    PutLength(bytes, static_cast<std::uint32_t>(values[k].size() + 1));
    m_out.Append({bytes, 4});
    m_out.Append(values[k]);
    m_out.Append(std::string_view("\0", 1));
  }
  m_out.Append(std::string_view("\0", 1));
}
