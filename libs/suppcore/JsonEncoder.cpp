#include "libs/suppcore/JsonEncoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "libs/suppcore/ValueType.h"
#include "platform/core/Simd.h"

namespace {

// The bytes of each layout, known at compile time, so that a row copies them without
// looking up their sizes.
struct IndentedBytes {
  static constexpr std::string_view kArrayOpen = "[";
  static constexpr std::string_view kArrayClose = "\n]\n";
  static constexpr bool kCommaBetweenRows = true;
  static constexpr std::string_view kRowOpen = "\n  {";
  static constexpr std::string_view kRowClose = "\n  }";
  static constexpr std::string_view kNameOpen = "\n    \"";
  static constexpr std::string_view kNameClose = "\": \"";
};
struct LineBytes {
  static constexpr std::string_view kArrayOpen = "";
  static constexpr std::string_view kArrayClose = "";
  static constexpr bool kCommaBetweenRows = false;
  static constexpr std::string_view kRowOpen = "{";
  static constexpr std::string_view kRowClose = "}\n";
  static constexpr std::string_view kNameOpen = "\"";
  static constexpr std::string_view kNameClose = "\":\"";
};

// A typed value takes the place of the opening quote that ends each member's lead.
static_assert(IndentedBytes::kNameClose.back() == '"' && LineBytes::kNameClose.back() == '"');

// A row too large for one reservation has its values escaped in pieces of this size.
constexpr std::size_t kPieceBytes = 16 * 1024;

char* Put(char* out, std::string_view bytes) {
  std::memcpy(out, bytes.data(), bytes.size());
  return out + bytes.size();
}

template <class Bytes>
void EncodeLead(std::size_t index, std::string_view name, std::string& bytes) {
  bytes.resize(1 + Bytes::kNameOpen.size() + name.size() * kMaxJsonBytesPerByte + kSimdPadding +
               Bytes::kNameClose.size());
  char* out = bytes.data();
  if (index > 0)
    *out++ = ',';
  out = Put(out, Bytes::kNameOpen);
  out = EscapeJsonPadded(out, name);
  out = Put(out, Bytes::kNameClose);
  bytes.resize(static_cast<std::size_t>(out - bytes.data()));
}

}  // namespace

void JsonEncoder::BeginArray() {
  m_out.Append(m_layout == Layout::kLines ? LineBytes::kArrayOpen : IndentedBytes::kArrayOpen);
}

void JsonEncoder::EndArray() {
  m_out.Append(m_layout == Layout::kLines ? LineBytes::kArrayClose : IndentedBytes::kArrayClose);
}

void JsonEncoder::Row(std::size_t index, const ObjectNames& names, const std::string_view* values) {
  if (m_layout == Layout::kLines)
    RowIn<LineBytes>(index, names, values);
  else
    RowIn<IndentedBytes>(index, names, values);
}

// The whole row in one reservation: no call, no buffer check per member, which is most of
// the time a row takes otherwise.
template <class Bytes>
void JsonEncoder::RowIn(std::size_t index, const ObjectNames& names,
                        const std::string_view* values) {
  const ObjectNameCache& leads = m_leads.Get(names, EncodeLead<Bytes>);
  const std::size_t count = names.size();
  if (!leads.Cached()) {
    RowInPieces<Bytes>(index, names, OneWindow(values, count));
    return;
  }
  std::size_t bound = 1 + Bytes::kRowOpen.size() + leads.PaddedSize() + Bytes::kRowClose.size();
  for (std::size_t k = 0; k < count; ++k)
    bound += values[k].size() * kMaxJsonBytesPerByte + 1 + kSimdPadding;
  if (bound > kMaxRowReservation) {
    RowInPieces<Bytes>(index, names, OneWindow(values, count));
    return;
  }
  char* out = m_out.Reserve(bound);
  if (Bytes::kCommaBetweenRows && index > 0)
    *out++ = ',';
  out = Put(out, Bytes::kRowOpen);
  for (std::size_t k = 0; k < count; ++k) {
    out = CopyPadded(out, leads[k]);
    out = EscapeJsonPadded(out, values[k]);
    *out++ = '"';
  }
  out = Put(out, Bytes::kRowClose);
  m_out.Commit(out);
}

void JsonEncoder::WideRow(std::size_t index, const ObjectNames& names, const RowWindows& row) {
  if (m_layout == Layout::kLines)
    RowInPieces<LineBytes>(index, names, row);
  else
    RowInPieces<IndentedBytes>(index, names, row);
}

// Member by member through the buffer, the names read in order as the values come.
template <class Bytes>
void JsonEncoder::RowInPieces(std::size_t index, const ObjectNames& names, const RowWindows& row) {
  const ObjectNameCache& leads = m_leads.Get(names, EncodeLead<Bytes>);
  if (Bytes::kCommaBetweenRows && index > 0)
    m_out.Append(",");
  m_out.Append(Bytes::kRowOpen);
  std::size_t k = 0;
  ObjectNames::Iterator name = names.begin();
  row.ForEach([&](const std::string_view* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++k, ++name) {
      if (leads.Cached()) {
        m_out.Append(leads[k]);
      } else {
        if (k > 0)
          m_out.Append(",");
        m_out.Append(Bytes::kNameOpen);
        AppendEscaped(*name);
        m_out.Append(Bytes::kNameClose);
      }
      AppendEscaped(values[i]);
      m_out.Append("\"");
    }
  });
  m_out.Append(Bytes::kRowClose);
}

namespace {

// Written bare: its text is valid JSON as it stands (ValueType.h), or it is the word null.
bool IsBare(ValueType type) {
  return type != ValueType::kString && type != ValueType::kDate;
}

constexpr std::string_view kNull = "null";

}  // namespace

void JsonEncoder::PlannedRow(std::size_t index, const ObjectNames& names,
                             const std::string_view* values, const TypedValue* cells) {
  if (m_layout == Layout::kLines)
    PlannedRowIn<LineBytes>(index, names, values, cells);
  else
    PlannedRowIn<IndentedBytes>(index, names, values, cells);
}

// As RowIn, with a member left out now and then: the first member written drops the comma
// its lead begins with.
template <class Bytes>
void JsonEncoder::PlannedRowIn(std::size_t index, const ObjectNames& names,
                               const std::string_view* values, const TypedValue* cells) {
  const ObjectNameCache& leads = m_leads.Get(names, EncodeLead<Bytes>);
  const std::size_t count = names.size();
  std::size_t bound = 1 + Bytes::kRowOpen.size() + leads.PaddedSize() + Bytes::kRowClose.size();
  for (std::size_t k = 0; k < count; ++k)
    bound += values[k].size() * kMaxJsonBytesPerByte + 1 + kNull.size() + kSimdPadding;
  if (!leads.Cached() || bound > kMaxRowReservation) {
    PlannedRowInPieces<Bytes>(index, names, values, cells);
    return;
  }
  char* out = m_out.Reserve(bound);
  if (Bytes::kCommaBetweenRows && index > 0)
    *out++ = ',';
  out = Put(out, Bytes::kRowOpen);
  bool first = true;
  for (std::size_t k = 0; k < count; ++k) {
    const ValueType type = cells[k].type;
    if (type == ValueType::kAbsent)
      continue;
    out = CopyPadded(out, leads[k].substr(first && k > 0 ? 1 : 0));
    first = false;
    if (type == ValueType::kNull) {
      out = Put(out - 1, kNull);
      continue;
    }
    // A bare value, ASCII that needs no escape, goes in place of the opening quote and
    // has no closing one: no branch that a mix of types would make hard to predict.
    const bool bare = IsBare(type);
    out = EscapeJsonPadded(out - bare, values[k]);
    *out = '"';
    out += !bare;
  }
  out = Put(out, Bytes::kRowClose);
  m_out.Commit(out);
}

template <class Bytes>
void JsonEncoder::PlannedRowInPieces(std::size_t index, const ObjectNames& names,
                                     const std::string_view* values, const TypedValue* cells) {
  const ObjectNameCache& leads = m_leads.Get(names, EncodeLead<Bytes>);
  if (Bytes::kCommaBetweenRows && index > 0)
    m_out.Append(",");
  m_out.Append(Bytes::kRowOpen);
  bool first = true;
  std::size_t k = 0;
  for (ObjectNames::Iterator name = names.begin(); name != names.end(); ++name, ++k) {
    const ValueType type = cells[k].type;
    if (type == ValueType::kAbsent)
      continue;
    const bool bare = IsBare(type);
    if (leads.Cached()) {
      const std::string_view lead = leads[k].substr(first && k > 0 ? 1 : 0);
      m_out.Append(lead.substr(0, lead.size() - bare));
    } else {
      if (!first)
        m_out.Append(",");
      m_out.Append(Bytes::kNameOpen);
      AppendEscaped(*name);
      m_out.Append(Bytes::kNameClose.substr(0, Bytes::kNameClose.size() - bare));
    }
    first = false;
    if (type == ValueType::kNull) {
      m_out.Append(kNull);
    } else if (bare) {
      m_out.Append(values[k]);
    } else {
      AppendEscaped(values[k]);
      m_out.Append("\"");
    }
  }
  m_out.Append(Bytes::kRowClose);
}

// A nested row is rare and written member by member: each name, brace and value through the
// buffer, indented by its depth in the indented layout.
void JsonEncoder::NestedRow(std::size_t index, const ObjectShape& shape,
                            const std::string_view* values, const TypedValue* cells) {
  const bool indented = m_layout == Layout::kIndented;
  if (indented && index > 0)
    m_out.Append(",");
  m_out.Append(indented ? IndentedBytes::kRowOpen : LineBytes::kRowOpen);
  std::size_t depth = 0;
  bool first = true;
  const auto lineBreak = [&](std::size_t level) {
    if (indented) {
      m_out.Append("\n");
      m_out.Append(std::string(4 + 2 * level, ' '));
    }
  };
  const auto name = [&](std::string_view text) {
    if (!first)
      m_out.Append(",");
    first = false;
    lineBreak(depth);
    m_out.Append("\"");
    AppendEscaped(text);
    m_out.Append(indented ? "\": " : "\":");
  };
  const auto end = [&]() {
    --depth;
    if (!first)
      lineBreak(depth);
    m_out.Append("}");
    first = false;
  };
  std::size_t k = 0;
  for (const ShapedMember& member : shape.members) {
    for (std::uint32_t e = 0; e < member.ends; ++e)
      end();
    for (const std::string& object : member.begins) {
      name(object);
      m_out.Append("{");
      ++depth;
      first = true;
    }
    const ValueType type = cells[k].type;
    const std::string_view value = values[k++];
    if (type == ValueType::kAbsent)
      continue;
    name(member.name);
    if (type == ValueType::kNull) {
      m_out.Append(kNull);
    } else if (IsBare(type)) {
      m_out.Append(value);
    } else {
      m_out.Append("\"");
      AppendEscaped(value);
      m_out.Append("\"");
    }
  }
  for (std::uint32_t e = 0; e < shape.endsAfter; ++e)
    end();
  m_out.Append(indented ? IndentedBytes::kRowClose : LineBytes::kRowClose);
}

// The text is followed by kSimdPadding readable bytes, so each piece is followed by the
// rest of the text or that padding: readable.
void JsonEncoder::AppendEscaped(std::string_view text) {
  for (std::size_t done = 0; done < text.size(); done += kPieceBytes) {
    const std::string_view piece = text.substr(done, kPieceBytes);
    char* out = m_out.Reserve(piece.size() * kMaxJsonBytesPerByte + kSimdPadding);
    m_out.Commit(EscapeJsonPadded(out, piece));
  }
}
