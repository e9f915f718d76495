// CSourceDecoder turns the bytes of an open source file into UTF-8 text, a piece at a
// time, so that the rows are split in one encoding whatever the file's.
//
// Automatic encoding: FF FE starts UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8 (the mark
// skipped). Without a mark, a start (the first kSniffBytes) with a NUL in most odd bytes
// and none in the even ones is UTF-16LE, the other way round UTF-16BE; anything else is
// 8-bit text, read as UTF-8 wherever its bytes form a well-formed sequence, every other
// byte by the Windows-1252 table (Windows1252.h). A chosen encoding is decoded by iconv
// (IconvDecoder.h), its leading byte-order mark dropped.
//
// Well-formed 8-bit text, the common case, is handed out as it stands in the file's read
// buffer; UTF-16 and bytes that are not UTF-8 are transcoded on the way in. UTF-16 units
// that pair become one character, a lone surrogate becomes U+FFFD, and an odd last byte
// is the character of its own value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "engine/source/IconvDecoder.h"
#include "engine/source/SourceEncoding.h"
#include "platform/core/File.h"

class CSourceDecoder {
 public:
  // How much of the start the automatic choice looks at for UTF-16 without a mark.
  static constexpr std::size_t kSniffBytes = 64 * 1024;

  // Reads the start of the file to choose the encoding; encodingName, when not empty, is
  // the encoding chosen (a name iconv knows, else std::invalid_argument is thrown).
  explicit CSourceDecoder(CFile& file, const std::string& encodingName = {});
  // Reads a part of automatic 8-bit text from its middle: nothing is chosen from its
  // start, which is no file's start. encoding is what the file's start chose, so that the
  // part is described as the whole file is.
  struct Continuing {
    SourceEncoding encoding;
  };
  CSourceDecoder(CFile& file, Continuing continuing);
  ~CSourceDecoder();
  CSourceDecoder(const CSourceDecoder&) = delete;
  CSourceDecoder& operator=(const CSourceDecoder&) = delete;

  // The encoding, why it was chosen, and what decoding it has cost so far.
  const SourceEncoding& GetEncoding() const { return m_encoding; }
  // The first byte that is not UTF-8 is at byte (from 1), when none was seen before: for
  // a part of the text decoded elsewhere.
  void NoteNotUtf8At(std::uint64_t byte) {
    if (m_encoding.firstNotUtf8 == 0 || byte < m_encoding.firstNotUtf8)
      m_encoding.firstNotUtf8 = byte;
  }

  // The next piece of text: whole characters of well-formed UTF-8, followed by
  // kSimdPadding readable bytes; empty at the end of the input. A piece stays valid until
  // the next call. A file error passes through as CFileException.
  std::string_view Read();

  // Bytes of the source that the text up to offset in the last piece came from: exact for
  // text handed out as it stands, in proportion for transcoded text. For progress reports.
  std::uint64_t SourceOffset(std::size_t offsetInPiece) const;

  // Keeps where bytes that are not UTF-8 were read by the Windows-1252 table, so that
  // SourceBytes can give a line's own bytes back. Off by default: only a caller that
  // wants lines back pays, and then only for such bytes.
  void KeepSourceBytes(bool keep) { m_keepFallbacks = keep; }
  // The bytes of the source that text came from, text being the handed-out text from
  // offset textStart on (counted over every piece). Exact for 8-bit sources read
  // automatically while KeepSourceBytes is on; the text itself (UTF-8) for UTF-16 and
  // chosen encodings.
  std::string SourceBytes(std::string_view text, std::uint64_t textStart) const;
  // Text before textStart will not be asked for again.
  void ForgetBefore(std::uint64_t textStart) {
    if (!m_fallbacks.empty())
      ForgetFallbacksBefore(textStart);
  }

 private:
  // A byte that is not UTF-8, read by the Windows-1252 table: where its character is in
  // the text handed out, and the byte.
  struct Fallback {
    std::uint64_t textOffset;
    unsigned char byte;
  };
  void ForgetFallbacksBefore(std::uint64_t textStart);
  std::string_view ReadAutomatic();
  void ChooseAutomatically();
  // The bytes not decoded yet: the rest of the start read to choose the encoding, then the
  // file's blocks. Take consumes them; InputOffset is where they begin in the source.
  std::string_view Input();
  void Take(std::size_t bytes);
  std::uint64_t InputOffset() const;
  std::string_view ReadChosen();
  std::string_view DecodeBlock(std::string_view block);
  // The bytes of a character that the end of a block split, with the next block's start.
  std::string_view DrainCarry(std::string_view block);
  std::size_t Transcode(const unsigned char* bytes, std::size_t size, bool atEnd, char*& out);
  // Transcode, the bytes read by the Windows-1252 table noted while KeepSourceBytes is on;
  // start is where this piece's text begins.
  std::size_t TranscodePiece(const unsigned char* bytes, std::size_t size, bool atEnd, char* start,
                             char*& out);
  char* Room(std::size_t bytes);

  CFile& m_file;
  SourceEncoding m_encoding;
  std::unique_ptr<CIconvDecoder> m_iconv;
  bool m_ended = false;    // a chosen encoding's last piece is out
  bool m_started = false;  // a chosen encoding's first character is out
  // The start of the file, read to choose the encoding, and how much of it is decoded;
  // kSimdPadding bytes follow it.
  std::string m_head;
  std::size_t m_headSize = 0;
  std::size_t m_headPos = 0;
  // Bytes taken from the input but not decoded yet: a character split by the end of a
  // block.
  std::array<unsigned char, 4> m_carry{};
  std::size_t m_carryCount = 0;
  std::string m_text;  // transcoded pieces
  // Where the last piece came from in the source, for SourceOffset.
  std::uint64_t m_pieceSourceStart = 0;
  std::size_t m_pieceSourceBytes = 0;
  std::size_t m_pieceTextBytes = 0;
  // Text handed out before the last piece, and the bytes read by the Windows-1252 table
  // in it that may still be asked for.
  std::uint64_t m_textHandedOut = 0;
  bool m_keepFallbacks = false;
  std::deque<Fallback> m_fallbacks;
};
