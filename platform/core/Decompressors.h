// The implementations of CDecompressor, one file each; reached through MakeDecompressor.
#pragma once

#include <memory>

#include "platform/core/Decompressor.h"

std::unique_ptr<CDecompressor> MakeGzipDecompressor();
std::unique_ptr<CDecompressor> MakeZstdDecompressor();
std::unique_ptr<CDecompressor> MakeBzip2Decompressor();
std::unique_ptr<CDecompressor> MakeXzDecompressor();
