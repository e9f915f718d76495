#include "platform/core/Compressor.h"

#include <algorithm>
#include <array>

#include "platform/core/Compressors.h"

namespace {

struct CompressionName {
  OutputCompression compression;
  std::string_view option;     // the command line's name
  std::string_view extension;  // with its dot
};

constexpr std::array<CompressionName, 2> kCompressions = {{
    {OutputCompression::Gzip, "gz", ".gz"},
    {OutputCompression::Zstd, "zst", ".zst"},
}};

bool EndsWithIgnoringCase(std::string_view name, std::string_view end) {
  return name.size() > end.size() &&
         std::equal(end.begin(), end.end(), name.end() - static_cast<long>(end.size()),
                    [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
}

}  // namespace

std::unique_ptr<CCompressor> MakeCompressor(OutputCompression compression, unsigned threads) {
  switch (compression) {
    case OutputCompression::Gzip:
      return MakeGzipCompressor();
    case OutputCompression::Zstd:
      return MakeZstdCompressor(threads);
    case OutputCompression::None:
      break;
  }
  return nullptr;
}

OutputCompression CompressionOfFileName(std::string_view fileName) {
  for (const CompressionName& name : kCompressions)
    if (EndsWithIgnoringCase(fileName, name.extension))
      return name.compression;
  return OutputCompression::None;
}

std::string_view WithoutCompressionExtension(std::string_view fileName) {
  const OutputCompression compression = CompressionOfFileName(fileName);
  return fileName.substr(0, fileName.size() - CompressionExtension(compression).size());
}

std::string_view CompressionExtension(OutputCompression compression) {
  for (const CompressionName& name : kCompressions)
    if (name.compression == compression)
      return name.extension;
  return {};
}

bool CompressionNamed(std::string_view option, OutputCompression& compression) {
  if (option == "none") {
    compression = OutputCompression::None;
    return true;
  }
  for (const CompressionName& name : kCompressions)
    if (name.option == option) {
      compression = name.compression;
      return true;
    }
  return false;
}
