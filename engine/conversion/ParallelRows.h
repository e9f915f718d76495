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
// Sources read on one thread instead, whose blocks could not be read as the whole file
// reads them without reading all that comes before: a pipe or standard input, a
// compressed file (its text's offsets are not the file's), UTF-16 text and a chosen
// encoding (a cut at a byte of value 10 may fall inside a character), an old Mac file,
// and a read limit (it ends the reading at a byte, not a line).
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
