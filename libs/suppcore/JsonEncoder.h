// JsonEncoder: the document as JSON text, UTF-8 without a mark, every value a string.
// Indented: each member on a line of its own, two spaces per level, brackets of a
// container on their own lines; otherwise compact. Both end with a line feed.
#pragma once

#include "libs/suppcore/DocumentEncoder.h"
#include "libs/suppcore/NameCache.h"
#include "libs/suppcore/WriteBuffer.h"

class JsonEncoder : public DocumentEncoder {
 public:
  JsonEncoder(WriteBuffer& out, bool indent) : m_out(out), m_indent(indent) {}

  void BeginArray() override;
  void EndArray() override;
  void BeginObject(size_t depth, size_t index, bool named, std::u16string_view name) override;
  void EndObject(size_t depth) override;
  void Pair(size_t depth, size_t index, std::u16string_view name,
            std::u16string_view value) override;
  void PairUtf8(size_t depth, size_t index, std::u16string_view name,
                std::string_view value) override;
  void ObjectUtf8(size_t depth, size_t index, const ObjectNames& names,
                  const std::string_view* values) override;
  void EndDocument() override;

 private:
  void EncodeLead(size_t depth, size_t index, std::u16string_view name, std::string& bytes) const;
  void BeginMember(size_t depth, size_t index);
  void NewLine(size_t depth);
  // Writes a line break and the indentation of depth at out (nothing when not indented).
  char* PutNewLine(char* out, size_t depth) const;
  // The bytes before a member's value: the comma after an earlier member, the line break
  // and indentation, the quoted name and the colon.
  std::string_view Lead(size_t depth, size_t index, std::u16string_view name);
  // Writes lead, then text as a JSON string.
  void PutString(std::string_view lead, std::u16string_view text);
  template <typename Text, typename PieceLengthFn, typename EscapeFn>
  void PutQuoted(std::string_view lead, Text text, PieceLengthFn pieceLength, EscapeFn escape);

  WriteBuffer& m_out;
  bool m_indent;
  NameCache m_names;
  ObjectNameCache m_objectNames;
};
