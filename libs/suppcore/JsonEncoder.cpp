#include "libs/suppcore/JsonEncoder.h"

#include <cstring>
#include <string>

#include "libs/suppcore/TextEncode.h"

namespace {

// Values are escaped piece by piece so that a huge value needs no huge reservation.
constexpr size_t kPieceUnits = 16 * 1024;

}  // namespace

void JsonEncoder::BeginArray() {
  m_out.Append('[');
}

void JsonEncoder::EndArray() {
  NewLine(0);
  m_out.Append(']');
}

void JsonEncoder::BeginObject(size_t depth, size_t index, bool named, std::u16string_view name) {
  BeginMember(depth, index);
  if (named)
    PutName(index, name);
  m_out.Append('{');
}

void JsonEncoder::EndObject(size_t depth) {
  NewLine(depth);
  m_out.Append('}');
}

void JsonEncoder::Pair(size_t depth, size_t index, std::u16string_view name,
                       std::u16string_view value) {
  BeginMember(depth, index);
  PutName(index, name);
  PutString(value);
}

void JsonEncoder::EndDocument() {
  m_out.Append('\n');
}

// The separator comes from the structure (a member after the first one), so no order of
// the caller's EndOfPair calls can leave a trailing or a missing comma.
void JsonEncoder::BeginMember(size_t depth, size_t index) {
  if (index > 0)
    m_out.Append(',');
  if (depth > 0)
    NewLine(depth);
}

void JsonEncoder::NewLine(size_t depth) {
  if (!m_indent)
    return;
  size_t width = 2 * depth;
  char* out = m_out.Reserve(1 + width);
  *out++ = '\n';
  std::memset(out, ' ', width);
  m_out.Commit(out + width);
}

void JsonEncoder::PutName(size_t index, std::u16string_view name) {
  const bool indent = m_indent;
  m_out.Append(m_names.Get(index, name, [indent](std::u16string_view text, std::string& bytes) {
    bytes.resize(text.size() * kMaxJsonBytesPerUnit + 4);
    char* out = bytes.data();
    *out++ = '"';
    out = EscapeJson(out, text);
    *out++ = '"';
    *out++ = ':';
    if (indent)
      *out++ = ' ';
    bytes.resize(static_cast<size_t>(out - bytes.data()));
  }));
}

void JsonEncoder::PutString(std::u16string_view text) {
  m_out.Append('"');
  while (!text.empty()) {
    size_t length = PieceLength(text, kPieceUnits);
    char* out = m_out.Reserve(length * kMaxJsonBytesPerUnit);
    m_out.Commit(EscapeJson(out, text.substr(0, length)));
    text.remove_prefix(length);
  }
  m_out.Append('"');
}
