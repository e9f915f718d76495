// The implementations of CCompressor, one file each; reached through MakeCompressor.
#pragma once

#include <memory>

#include "platform/core/Compressor.h"

std::unique_ptr<CCompressor> MakeGzipCompressor();
std::unique_ptr<CCompressor> MakeZstdCompressor(unsigned threads);
