#include "platform/core/Decompressor.h"

#include "platform/core/Decompressors.h"

std::unique_ptr<CDecompressor> MakeDecompressor(SourceFormat format) {
  switch (format) {
    case SourceFormat::Gzip:
      return MakeGzipDecompressor();
    case SourceFormat::Zstd:
      return MakeZstdDecompressor();
    case SourceFormat::Bzip2:
      return MakeBzip2Decompressor();
    case SourceFormat::Xz:
      return MakeXzDecompressor();
    default:
      throw std::invalid_argument("not a compressed format");
  }
}

const char* CompressedFormatName(SourceFormat format) {
  switch (format) {
    case SourceFormat::Gzip:
      return "gzip";
    case SourceFormat::Zstd:
      return "zstd";
    case SourceFormat::Bzip2:
      return "bzip2";
    case SourceFormat::Xz:
      return "xz";
    default:
      return "?";
  }
}
