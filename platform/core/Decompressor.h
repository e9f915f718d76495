// CDecompressor: one compressed format's library behind one interface, so that the file
// reads every format the same way. One implementation per format, each in its own file.
//
// Several streams one after another (gzip members, zstd frames, bzip2 and xz streams, as
// `cat a.gz b.gz` makes them) are one source: the end of a stream followed by more input
// starts the next one.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/core/SourceFormat.h"

// Damaged data; what() is the library's reason.
class CDecompressError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CDecompressor {
 public:
  struct Step {
    std::size_t used = 0;  // input bytes taken
    std::size_t made = 0;  // output bytes written
  };

  virtual ~CDecompressor() = default;
  // Decompresses as much of input into output as either allows; inputEnds: no input
  // follows this. Nothing taken and nothing made means that more input is needed, or, at
  // the end of the input, that everything is out. Throws CDecompressError when the data is
  // damaged, std::bad_alloc when the library has no memory.
  virtual Step Decompress(std::string_view input, bool inputEnds, char* output,
                          std::size_t room) = 0;
  // The input taken so far ends where a stream ends: the end of the file anywhere else
  // means that the file is cut short.
  virtual bool AtStreamEnd() const = 0;
};

// The decompressor of a compressed format (IsCompressed).
std::unique_ptr<CDecompressor> MakeDecompressor(SourceFormat format);
// The format's name in messages ("gzip").
const char* CompressedFormatName(SourceFormat format);
