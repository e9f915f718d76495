#include "libs/suppcore/JsonEncoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/core/Simd.h"

namespace {

constexpr std::string_view kRowOpen = "\n  {";
constexpr std::string_view kRowClose = "\n  }";
// A row too large for one reservation has its values escaped in pieces of this size.
constexpr std::size_t kPieceBytes = 16 * 1024;

char* Put(char* out, std::string_view bytes) {
  std::memcpy(out, bytes.data(), bytes.size());
  return out + bytes.size();
}

void EncodeLead(std::size_t index, std::string_view name, std::string& bytes) {
  bytes.resize(8 + name.size() * kMaxJsonBytesPerByte + kSimdPadding + 4);
  char* out = bytes.data();
  if (index > 0)
    *out++ = ',';
  out = Put(out, "\n    \"");
  out = EscapeJsonPadded(out, name);
  out = Put(out, "\": \"");
  bytes.resize(static_cast<std::size_t>(out - bytes.data()));
}

}  // namespace

void JsonEncoder::BeginArray() {
  m_out.Append("[");
}

void JsonEncoder::EndArray() {
  m_out.Append("\n]\n");
}

// The whole row in one reservation: no call, no buffer check per member, which is most of
// the time a row takes otherwise.
void JsonEncoder::Row(std::size_t index, const ObjectNames& names, const std::string_view* values) {
  const ObjectNameCache& leads = m_leads.Get(names, EncodeLead);
  const std::size_t count = names.size();
  std::size_t bound = 1 + kRowOpen.size() + leads.PaddedSize() + kRowClose.size();
  for (std::size_t k = 0; k < count; ++k)
    bound += values[k].size() * kMaxJsonBytesPerByte + 1 + kSimdPadding;
  if (bound > kMaxRowReservation) {
    RowInPieces(index, leads, count, values);
    return;
  }
  char* out = m_out.Reserve(bound);
  if (index > 0)
    *out++ = ',';
  out = Put(out, kRowOpen);
  for (std::size_t k = 0; k < count; ++k) {
    out = CopyPadded(out, leads[k]);
    out = EscapeJsonPadded(out, values[k]);
    *out++ = '"';
  }
  out = Put(out, kRowClose);
  m_out.Commit(out);
}

void JsonEncoder::RowInPieces(std::size_t index, const ObjectNameCache& leads, std::size_t count,
                              const std::string_view* values) {
  if (index > 0)
    m_out.Append(",");
  m_out.Append(kRowOpen);
  for (std::size_t k = 0; k < count; ++k) {
    m_out.Append(leads[k]);
    // A piece is followed by the rest of its value or the value's padding: readable.
    for (std::size_t done = 0; done < values[k].size(); done += kPieceBytes) {
      const std::string_view piece = values[k].substr(done, kPieceBytes);
      char* out = m_out.Reserve(piece.size() * kMaxJsonBytesPerByte + kSimdPadding);
      m_out.Commit(EscapeJsonPadded(out, piece));
    }
    m_out.Append("\"");
  }
  m_out.Append(kRowClose);
}
