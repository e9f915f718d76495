// CCompressor: one compression format's library behind one interface, so that a file is
// written compressed the same way whatever the format. One implementation per format, each
// in its own file; the file's write side (CFile::SetCompressor) drives it.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

enum class OutputCompression { None, Gzip, Zstd };

class CCompressor {
 public:
  struct Step {
    std::size_t used = 0;  // input bytes taken
    std::size_t made = 0;  // output bytes written
    bool ended = false;    // inputEnds was given and the whole stream is out
  };

  virtual ~CCompressor() = default;
  // Compresses as much of input into output as either allows. inputEnds: no input follows,
  // and the stream is closed once everything is out (ended). Called again with the input
  // not taken and fresh room until the input is taken (or, at the end, the stream ended).
  // Throws std::bad_alloc when the library has no memory, std::runtime_error when it fails.
  virtual Step Compress(std::string_view input, bool inputEnds, char* output, std::size_t room) = 0;
};

// The compressor of a format; null for None. threads: threads the library may use on its
// own (zstd), 1 for none besides the caller's.
std::unique_ptr<CCompressor> MakeCompressor(OutputCompression compression, unsigned threads);

// The compression a file name asks for by its last extension (".gz", ".zst", in any case);
// None for any other name.
OutputCompression CompressionOfFileName(std::string_view fileName);
// The file name without the compression extension, when it has one.
std::string_view WithoutCompressionExtension(std::string_view fileName);
// The extension given to a compressed file, with its dot (".gz"); empty for None.
std::string_view CompressionExtension(OutputCompression compression);
// The compression a command line names ("gz", "zst", "none"); false for another name.
bool CompressionNamed(std::string_view name, OutputCompression& compression);
