#include "libs/suppcore/BsonEncoder.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "libs/suppcore/TextEncode.h"

void BsonEncoder::BeginObject(size_t /*depth*/, size_t index, bool named,
                              std::u16string_view name) {
  if (named) {
    m_out.Append(Key(0x03, index, name));
  } else {
    // A document of the stream: its bytes stay in the buffer until its length is known.
    m_out.Pin();
  }
  m_openDocuments.push_back(ReserveLength());
}

void BsonEncoder::EndObject(size_t /*depth*/) {
  if (m_openDocuments.empty())
    return;
  m_out.Append('\0');
  std::uint64_t slot = m_openDocuments.back();
  m_openDocuments.pop_back();
  FillLength(slot, m_out.Position() - slot);
  if (m_openDocuments.empty())
    m_out.Unpin();
}

void BsonEncoder::Pair(size_t /*depth*/, size_t index, std::u16string_view name,
                       std::u16string_view value) {
  const std::string_view key = Key(0x02, index, name);
  // The whole document is held in the buffer anyway, so the element goes in one piece:
  // type and key, the string's length, its bytes and a NUL.
  char* out =
      m_out.Reserve(NameCache::kPadding + key.size() + 4 + value.size() * kMaxUtf8BytesPerUnit + 1);
  char* length = NameCache::Put(out, key);
  char* end = EncodeUtf8(length + 4, value);
  *end++ = '\0';
  StoreLength(length, static_cast<std::uint64_t>(end - (length + 4)));
  m_out.Commit(end);
}

void BsonEncoder::PairUtf8(size_t /*depth*/, size_t index, std::u16string_view name,
                           std::string_view value) {
  const std::string_view key = Key(0x02, index, name);
  char* out = m_out.Reserve(NameCache::kPadding + key.size() + 4 + value.size() + 1);
  char* length = NameCache::Put(out, key);
  std::memcpy(length + 4, value.data(), value.size());
  char* end = length + 4 + value.size();
  *end++ = '\0';
  StoreLength(length, static_cast<std::uint64_t>(end - (length + 4)));
  m_out.Commit(end);
}

// The element type and the key repeat row after row: cached together by position.
std::string_view BsonEncoder::Key(char type, size_t index, std::u16string_view name) {
  const auto context = static_cast<unsigned char>(type);
  return m_names.Get(index, context, name, [type](std::u16string_view text, std::string& bytes) {
    EncodeKey(type, text, bytes);
  });
}

void BsonEncoder::EncodeKey(char type, std::u16string_view name, std::string& bytes) {
  name = name.substr(0, name.find(u'\0'));
  bytes.resize(1 + name.size() * kMaxUtf8BytesPerUnit + 1);
  bytes[0] = type;
  char* out = EncodeUtf8(bytes.data() + 1, name);
  *out++ = '\0';
  bytes.resize(static_cast<size_t>(out - bytes.data()));
}

// A document of the stream in one reservation, its length filled in at its end; a
// document within another one goes member by member.
void BsonEncoder::ObjectUtf8(size_t depth, size_t index, const ObjectNames& names,
                             const std::string_view* values) {
  const ObjectNameCache& keys = m_objectKeys.Get(
      names, 0x02,
      [](size_t, std::u16string_view name, std::string& bytes) { EncodeKey(0x02, name, bytes); });
  size_t bound = 4 + keys.PaddedSize() + 1;
  for (size_t k = 0; k < names.size(); ++k)
    bound += 4 + values[k].size() + 1 + kTextSlack;
  if (!m_openDocuments.empty() || bound > kMaxObjectBytes) {
    ObjectInPairs(depth, index, names, values);
    return;
  }
  char* const start = m_out.Reserve(bound);
  char* out = start + 4;
  for (size_t k = 0; k < names.size(); ++k) {
    char* length = NameCache::Put(out, keys[k]);
    out = CopyPadded(length + 4, values[k]);
    *out++ = '\0';
    StoreLength(length, values[k].size() + 1);
  }
  *out++ = '\0';
  StoreLength(start, static_cast<std::uint64_t>(out - start));
  m_out.Commit(out);
}

std::uint64_t BsonEncoder::ReserveLength() {
  std::uint64_t slot = m_out.Position();
  m_out.Append(std::string_view("\0\0\0\0", 4));
  return slot;
}

void BsonEncoder::FillLength(std::uint64_t slot, std::uint64_t length) {
  StoreLength(m_out.At(slot), length);
}

void BsonEncoder::StoreLength(char* out, std::uint64_t length) const {
  if (length > INT32_MAX) {
    // BSON counts in signed 32 bits: a longer row cannot be written, and a wrong length
    // would make every following document unreadable.
    CFile* file = m_out.File();
    throw CFileException(CFileException::genericException, EFBIG,
                         file ? file->GetFilePath() : CString());
  }
  auto value = static_cast<std::uint32_t>(length);
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
