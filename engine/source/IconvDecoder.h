// CIconvDecoder: text in an encoding the user names, decoded into UTF-8 by the C library's
// iconv, a block at a time.
//
// A character that the end of a block cuts waits for the next block; the converter's
// shift state carries over from block to block, so stateful encodings (ISO-2022-JP, UTF-7)
// read right. Bytes that cannot be decoded become U+FFFD, one for each byte (each unit of a
// wide encoding, each character cut short by the end), and are counted.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CIconvDecoder {
 public:
  // Throws std::invalid_argument when iconv does not know the name.
  explicit CIconvDecoder(const std::string& name);
  ~CIconvDecoder();
  CIconvDecoder(const CIconvDecoder&) = delete;
  CIconvDecoder& operator=(const CIconvDecoder&) = delete;

  // Decodes the bytes left from the last call followed by block into out (from its start;
  // kSimdPadding bytes past the text are allocated); returns the text. atEnd: block is the
  // input's last, so nothing is left to wait. Bytes that start an unfinished character
  // wait for the next call.
  std::string_view Decode(std::string_view block, bool atEnd, std::string& out);
  // Bytes waiting for the next call.
  std::size_t Pending() const { return m_pending.size(); }
  std::uint64_t Undecodable() const { return m_undecodable; }

 private:
  // Writes one U+FFFD for the bytes and counts them.
  void Replace(std::size_t bytes, std::string& out, std::size_t& used);

  iconv_t m_cd;
  // Bytes to skip over at an undecodable spot: a code unit of a wide encoding.
  std::size_t m_unit = 1;
  std::string m_in;
  std::string m_pending;
  std::uint64_t m_undecodable = 0;
};

// True when iconv knows the encoding's name (case does not matter).
bool IsKnownEncoding(const std::string& name);
