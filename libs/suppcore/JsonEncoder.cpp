#include "libs/suppcore/JsonEncoder.h"

#include <algorithm>
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
  if (named)
    m_out.Append(Lead(depth, index, name));
  else
    BeginMember(depth, index);
  m_out.Append('{');
}

void JsonEncoder::EndObject(size_t depth) {
  NewLine(depth);
  m_out.Append('}');
}

// Writes lead and the quoted, escaped text: one reservation for the lead and the whole of
// a short text (most values are short), long texts in pieces so the buffer stays small.
template <typename Text, typename PieceLengthFn, typename EscapeFn>
void JsonEncoder::PutQuoted(std::string_view lead, Text text, PieceLengthFn pieceLength,
                            EscapeFn escape) {
  size_t length = pieceLength(text);
  char* out =
      m_out.Reserve(NameCache::kPadding + lead.size() + 1 + length * kMaxJsonBytesPerUnit + 1);
  out = NameCache::Put(out, lead);
  *out++ = '"';
  for (;;) {
    out = escape(out, text.substr(0, length));
    text.remove_prefix(length);
    if (text.empty())
      break;
    m_out.Commit(out);
    length = pieceLength(text);
    out = m_out.Reserve(length * kMaxJsonBytesPerUnit + 1);
  }
  *out++ = '"';
  m_out.Commit(out);
}

void JsonEncoder::Pair(size_t depth, size_t index, std::u16string_view name,
                       std::u16string_view value) {
  PutString(Lead(depth, index, name), value);
}

void JsonEncoder::PairUtf8(size_t depth, size_t index, std::u16string_view name,
                           std::string_view value) {
  // UTF-8 escapes work byte by byte, so a piece may end anywhere.
  auto pieceLength = [](std::string_view text) { return std::min(text.size(), kPieceUnits); };
  PutQuoted(Lead(depth, index, name), value, pieceLength,
            [](char* out, std::string_view piece) { return EscapeJsonUtf8(out, piece); });
}

// The whole object in one reservation: no call, no name comparison and no buffer check
// per member, which is most of the time a row takes otherwise.
void JsonEncoder::ObjectUtf8(size_t depth, size_t index, const ObjectNames& names,
                             const std::string_view* values) {
  const size_t memberDepth = depth + 1;
  // Each lead ends in the value's opening quote.
  const ObjectNameCache& leads = m_objectNames.Get(
      names, memberDepth, [&](size_t k, std::u16string_view name, std::string& bytes) {
        EncodeLead(memberDepth, k, name, bytes);
        bytes += '"';
      });
  const size_t count = names.size();
  // Two line breaks of up to 16 bytes each (PutNewLine), the comma and the braces.
  size_t bound = leads.PaddedSize() + 2 * (16 + 2 * depth) + 4;
  for (size_t k = 0; k < count; ++k)
    bound += values[k].size() * kMaxJsonBytesPerUnit + 1 + kTextSlack;
  if (bound > kMaxObjectBytes) {
    ObjectInPairs(depth, index, names, values);
    return;
  }
  char* out = m_out.Reserve(bound);
  if (index > 0)
    *out++ = ',';
  if (depth > 0)
    out = PutNewLine(out, depth);
  *out++ = '{';
  for (size_t k = 0; k < count; ++k) {
    out = NameCache::Put(out, leads[k]);
    out = EscapeJsonUtf8Padded(out, values[k]);
    *out++ = '"';
  }
  out = PutNewLine(out, depth);
  *out++ = '}';
  m_out.Commit(out);
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
  if (m_indent)
    m_out.Commit(PutNewLine(m_out.Reserve(16 + 2 * depth), depth));
}

char* JsonEncoder::PutNewLine(char* out, size_t depth) const {
  if (!m_indent)
    return out;
  // Rows sit at depth 1: a fixed-size copy instead of a call sized at run time.
  static constexpr char kShallow[16] = {'\n', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                        ' ',  ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  if (2 * depth < sizeof kShallow) {
    std::memcpy(out, kShallow, sizeof kShallow);
    return out + 1 + 2 * depth;
  }
  *out++ = '\n';
  std::memset(out, ' ', 2 * depth);
  return out + 2 * depth;
}

// Rows repeat their members' leads: they are encoded once per position and depth.
std::string_view JsonEncoder::Lead(size_t depth, size_t index, std::u16string_view name) {
  return m_names.Get(index, depth, name, [=, this](std::u16string_view text, std::string& bytes) {
    EncodeLead(depth, index, text, bytes);
  });
}

void JsonEncoder::EncodeLead(size_t depth, size_t index, std::u16string_view name,
                             std::string& bytes) const {
  bytes.resize(2 + 2 * depth + name.size() * kMaxJsonBytesPerUnit + 4);
  char* out = bytes.data();
  if (index > 0)
    *out++ = ',';
  if (m_indent && depth > 0) {
    *out++ = '\n';
    std::memset(out, ' ', 2 * depth);
    out += 2 * depth;
  }
  *out++ = '"';
  out = EscapeJson(out, name);
  *out++ = '"';
  *out++ = ':';
  if (m_indent)
    *out++ = ' ';
  bytes.resize(static_cast<size_t>(out - bytes.data()));
}

void JsonEncoder::PutString(std::string_view lead, std::u16string_view text) {
  // A piece never ends between the two halves of a surrogate pair.
  auto pieceLength = [](std::u16string_view rest) {
    return rest.size() <= kPieceUnits ? rest.size() : PieceLength(rest, kPieceUnits);
  };
  PutQuoted(lead, text, pieceLength,
            [](char* out, std::u16string_view piece) { return EscapeJson(out, piece); });
}
