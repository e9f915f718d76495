// The conversion a command line asks for.
#pragma once

#include "cli/Options.h"
#include "engine/conversion/ConversionRequest.h"

namespace cli {

// The request for the parsed options: "-" as the source reads standard input (named so in
// messages), "-" as the output writes standard output, no separator guesses it.
ConversionRequest RequestFor(const Options& options, ConversionProgress progress);

}  // namespace cli
