#include "engine/source/SourceEncoding.h"

#include <string>

#include "engine/EngineMessages.h"
#include "platform/core/Formatted.h"

CString GroupedNumber(std::uint64_t number) {
  const std::string digits = std::to_string(number);
  std::string grouped;
  for (std::size_t k = 0; k < digits.size(); ++k) {
    if (k > 0 && (digits.size() - k) % 3 == 0)
      grouped += ',';
    grouped += digits[k];
  }
  return CString::FromUtf8(grouped);
}

CString DescribeEncoding(const SourceEncoding& encoding) {
  using Kind = SourceEncoding::Kind;
  using Why = SourceEncoding::Why;
  switch (encoding.kind) {
    case Kind::Chosen:
      return Formatted(EngineMessages::kEncodingChosen,
                       CString::FromUtf8(encoding.chosenName).GetString());
    case Kind::Utf16LE:
      return encoding.why == Why::Mark ? EngineMessages::kEncodingUtf16LEMark
                                       : EngineMessages::kEncodingUtf16LENul;
    case Kind::Utf16BE:
      return encoding.why == Why::Mark ? EngineMessages::kEncodingUtf16BEMark
                                       : EngineMessages::kEncodingUtf16BENul;
    case Kind::Utf8:
      break;
  }
  if (encoding.firstNotUtf8 > 0)
    return Formatted(encoding.why == Why::Mark ? EngineMessages::kEncodingUtf8MarkWindows1252
                                               : EngineMessages::kEncodingWindows1252,
                     GroupedNumber(encoding.firstNotUtf8).GetString());
  return encoding.why == Why::Mark ? EngineMessages::kEncodingUtf8Mark
                                   : EngineMessages::kEncodingUtf8;
}

CString UndecodableText(const SourceEncoding& encoding) {
  if (encoding.undecodable == 0)
    return {};
  return Formatted(EngineMessages::kUndecodable, GroupedNumber(encoding.undecodable).GetString());
}
