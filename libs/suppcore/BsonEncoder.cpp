#include "libs/suppcore/BsonEncoder.h"

#include <cerrno>
#include <cstdint>
#include <string>

#include "libs/suppcore/TextEncode.h"

void BsonEncoder::BeginObject(size_t /*depth*/, size_t index, bool named,
                              std::u16string_view name) {
  if (named) {
    PutKey(0x03, index, name);
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
  PutKey(0x02, index, name);
  std::uint64_t slot = ReserveLength();
  // The whole document is held in the buffer anyway, so the value goes in one piece.
  char* out = m_out.Reserve(value.size() * kMaxUtf8BytesPerUnit + 1);
  out = EncodeUtf8(out, value);
  *out++ = '\0';
  m_out.Commit(out);
  FillLength(slot, m_out.Position() - slot - 4);
}

void BsonEncoder::PutKey(char type, size_t index, std::u16string_view name) {
  m_out.Append(type);
  m_out.Append(m_names.Get(index, name, [](std::u16string_view text, std::string& bytes) {
    text = text.substr(0, text.find(u'\0'));
    bytes.resize(text.size() * kMaxUtf8BytesPerUnit + 1);
    char* out = EncodeUtf8(bytes.data(), text);
    *out++ = '\0';
    bytes.resize(static_cast<size_t>(out - bytes.data()));
  }));
}

std::uint64_t BsonEncoder::ReserveLength() {
  std::uint64_t slot = m_out.Position();
  m_out.Append(std::string_view("\0\0\0\0", 4));
  return slot;
}

void BsonEncoder::FillLength(std::uint64_t slot, std::uint64_t length) {
  if (length > INT32_MAX) {
    // BSON counts in signed 32 bits: a longer row cannot be written, and a wrong length
    // would make every following document unreadable.
    CFile* file = m_out.File();
    throw CFileException(CFileException::genericException, EFBIG,
                         file ? file->GetFilePath() : CString());
  }
  auto value = static_cast<std::uint32_t>(length);
  char* out = m_out.At(slot);
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}
