// The rows of a large source converted in blocks on several threads, the output the same
// byte for byte as on one. Once the header is read (and the Automatic columns' types are
// decided from the source's start), the rest of the file is cut at line ends into blocks;
// each is read by the same reader and row rules as the whole file would be, and encoded
// into memory; the blocks are written in order, and what the rows left out say is noted
// in order, with the lines counted over the whole file.
//
// In quoted mode a cut may fall inside a quoted record. Every block is read as if it began
// a record, and checked in order: a block that ends inside an open quote hands its last
// record to the next, which is read again from that record's start.
//
// Sources read on one thread instead: a pipe or standard input, a compressed file, UTF-16
// text, a chosen encoding, an old Mac file, a read limit, and text that was not UTF-8
// before the blocks would begin (its offsets in the decoded text are not its offsets in
// the file).
#pragma once

#include <cstddef>

#include "engine/conversion/ConversionReport.h"
#include "engine/conversion/ConversionRequest.h"
#include "engine/plan/PlannedColumns.h"
#include "engine/rows/DelimitedTextReader.h"
#include "libs/suppcore/ObjectNames.h"

class CRejectsFile;
class JSON;

// Converts the rest of the source in blocks when the request asks for more than one thread
// and the source allows it, and returns true; false leaves the reader where it was, for
// the one-thread loop. Fails as that loop would: ConversionRefused, ConversionCancelled,
// or what the reader or writer threw, with the lines counted over the whole file.
bool ConvertRestInBlocks(CDelimitedTextReader& reader, JSON& writer, CColumnPlan& plan,
                         const ObjectNames& names, const ConversionRequest& request,
                         ConversionReport& report, CRejectsFile* rejects);

// Bytes a block holds at least: 2 MiB, or CORVANE_BLOCK_BYTES from the environment (so that
// tests cut small files into many blocks).
std::uint64_t BlockBytes();
