// CTextDecoder turns the bytes of an open file into characters and hands them to a
// CLineBuilder, scanning the file's read buffer directly. It owns the encoding chosen
// from the byte-order mark and the few bytes of a character that a buffer boundary split.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "engine/ByteScan.h"
#include "engine/LineBuilder.h"
#include "platform/core/File.h"

class CTextDecoder {
 public:
  enum class Encoding { Bytes, Utf16LE, Utf16BE };

  // Reads the start of the file: FF FE chooses UTF-16LE, FE FF UTF-16BE, anything else
  // 8-bit text (UTF-8 where valid); a mark EF BB BF is skipped as well.
  Encoding DetectEncoding(CFile& file);
  Encoding GetEncoding() const { return m_encoding; }
  // The character that splits fields.
  void SetSeparator(char16_t separator);
  char16_t Separator() const { return m_separator; }

  // Feeds characters to line until a line feed ends it (true) or the input ends (false).
  bool ReadLine(CFile& file, CLineBuilder& line);

 private:
  enum class CarryResult { Done, LineEnded, NeedMore };

  bool ReadLineBytes(CFile& file, CLineBuilder& line);
  std::size_t DecodeText(const unsigned char* bytes, std::size_t pos, std::size_t size,
                         CLineBuilder& line);
  bool SplitsAt(char32_t codePoint) const;
  template <bool BigEndian>
  bool ReadLineUtf16(CFile& file, CLineBuilder& line);
  CarryResult DrainCarryBytes(CFile& file, std::string_view& block, CLineBuilder& line);
  template <bool BigEndian>
  CarryResult DrainCarryUtf16(CFile& file, std::string_view& block, CLineBuilder& line);
  void KeepInCarry(const char* bytes, std::size_t count);

  Encoding m_encoding = Encoding::Bytes;
  char16_t m_separator = u'\t';
  // Where the line rules act in 8-bit text.
  CSpecialBytes m_specialBytes;
  // Bytes taken from the file but not decoded yet: a character split by the end of a
  // buffer block, or the first bytes read while looking for a mark.
  std::array<unsigned char, 4> m_carry{};
  std::size_t m_carryCount = 0;
  // Characters decoded from a piece of the buffer, handed to the line in one call; room
  // for the units that WidenAscii writes past a piece.
  static constexpr std::size_t kPieceUnits = 4096;
  std::array<char16_t, kPieceUnits + kWidenSlack> m_units;
};
