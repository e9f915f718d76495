// CSourceDecoder turns the bytes of an open source file into UTF-8 text, a piece at a
// time, so that the rows are split in one encoding whatever the file's.
//
// Encodings: FF FE starts UTF-16LE, FE FF UTF-16BE (the mark skipped); anything else is
// 8-bit text, read as UTF-8 wherever its bytes form a well-formed sequence, every other
// byte being the character of its own value; a UTF-8 mark EF BB BF is skipped.
//
// Well-formed 8-bit text, the common case, is handed out as it stands in the file's read
// buffer; UTF-16 and bytes that are not UTF-8 are transcoded on the way in. UTF-16 units
// that pair become one character, a lone surrogate becomes U+FFFD, and an odd last byte
// is the character of its own value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/File.h"

class CSourceDecoder {
 public:
  enum class Encoding { Bytes, Utf16LE, Utf16BE };

  // Reads the start of the file to choose the encoding.
  explicit CSourceDecoder(CFile& file);
  CSourceDecoder(const CSourceDecoder&) = delete;
  CSourceDecoder& operator=(const CSourceDecoder&) = delete;

  Encoding GetEncoding() const { return m_encoding; }

  // The next piece of text: whole characters of well-formed UTF-8, followed by
  // kSimdPadding readable bytes; empty at the end of the input. A piece stays valid until
  // the next call. A file error passes through as CFileException.
  std::string_view Read();

  // Bytes of the source that the text up to offset in the last piece came from: exact for
  // text handed out as it stands, in proportion for transcoded text. For progress reports.
  std::uint64_t SourceOffset(std::size_t offsetInPiece) const;

 private:
  // The bytes of a character that the end of a block split, with the next block's start.
  std::string_view DrainCarry(std::string_view block);
  std::string_view Piece(std::size_t sourceBytes, std::size_t textBytes);
  char* Room(std::size_t bytes);

  CFile& m_file;
  Encoding m_encoding = Encoding::Bytes;
  // Bytes taken from the file but not decoded yet: a character split by the end of a
  // block, or the first bytes read while looking for a mark.
  std::array<unsigned char, 4> m_carry{};
  std::size_t m_carryCount = 0;
  std::string m_text;  // transcoded pieces
  // Where the last piece came from in the source, for SourceOffset.
  std::uint64_t m_pieceSourceStart = 0;
  std::size_t m_pieceSourceBytes = 0;
  std::size_t m_pieceTextBytes = 0;
};
