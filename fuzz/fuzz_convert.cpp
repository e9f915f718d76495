// Fuzzes the whole conversion: any bytes as a source file must give either a refusal
// (no header) or an output that a strict JSON, JSON Lines or BSON reader accepts, holding
// as many rows as the conversion reported; strings only, unless values are typed.
//
// The first input byte chooses the run: bits 0-1 the separator (tab , | ;), bit 2 BSON,
// bit 3 a row limit of 10, bit 4 quoted fields, bit 5 typed values, bit 6 JSON Lines
// (BSON wins when bit 2 is set too); bit 7 converts again in blocks of 16 bytes on three
// threads, which must leave the same output, counts and failure. The rest is the source
// file.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "OutputRows.h"
#include "engine/conversion/ConvertToJson.h"
#include "libs/suppcore/Log.h"
#include "platform/core/CString.h"
#include "platform/core/SmallFile.h"

namespace {

std::string g_directory;

std::string ReadAll(const std::string& path) {
  std::string bytes;
  ReadSmallFile(path, std::string::npos, bytes);
  return bytes;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_convert: %s\n", what);
  std::abort();
}

// The same conversion on three threads leaves what the one on one thread left.
void CompareWithBlocks(ConversionRequest request, const ConversionReport& one,
                       const std::string& output) {
  const std::string bytes = access(output.c_str(), F_OK) == 0 ? ReadAll(output) : "none";
  request.options.threads = 3;
  const ConversionReport three = ConvertToJson(request);
  const auto failure = [](const ConversionReport& report) {
    return report.failure ? report.failure->Text().ToUtf8() : std::string();
  };
  if (failure(three) != failure(one))
    Fail("blocks fail otherwise than one thread");
  if (three.rowsWritten != one.rowsWritten || three.linesLeftOut != one.linesLeftOut ||
      three.leftOutLines != one.leftOutLines)
    Fail("blocks count otherwise than one thread");
  if ((access(output.c_str(), F_OK) == 0 ? ReadAll(output) : "none") != bytes)
    Fail("blocks write otherwise than one thread");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/corvane-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr)
    Fail("cannot create a temporary directory");
  g_directory = pattern;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(g_directory, ignored);
  });
  // Lines left out are logged: keep the log away from the user's.
  setenv("XDG_STATE_HOME", g_directory.c_str(), 1);
  // Small blocks, so that a short input is cut in many places when converted in blocks.
  setenv("CORVANE_BLOCK_BYTES", "16", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char16_t* const kSeparators[] = {u"<tab>", u",", u"|", u";"};
  static unsigned runs = 0;
  if (size == 0)
    return 0;
  if (++runs % 1000 == 0)
    CLog::Truncate();
  mkdir(g_directory.c_str(), 0700);  // in case something cleaned the temporary directory

  const std::string source = g_directory + "/source", output = g_directory + "/output";
  {
    std::ofstream out(source, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    if (!out)
      return 0;
  }
  unlink(output.c_str());

  ConversionRequest request;
  request.source = Utf8ToUtf16(source);
  request.separator = kSeparators[data[0] & 3];
  request.output = Utf8ToUtf16(output);
  request.format = data[0] & 4    ? OutputFormat::Bson
                   : data[0] & 64 ? OutputFormat::JsonLines
                                  : OutputFormat::Json;
  request.rowLimit = data[0] & 8 ? 10 : -1;
  request.options.quoted = data[0] & 16;
  request.options.typedValues = data[0] & 32;
  const ConversionReport report = ConvertToJson(request);
  if (data[0] & 128)
    CompareWithBlocks(request, report, output);
  if (report.failure) {
    if (report.failure->kind == ConversionFailure::Kind::Unexpected)
      Fail(("an unexpected failure: " + report.failure->Text().ToUtf8()).c_str());
    if (access(output.c_str(), F_OK) == 0)
      Fail("a failed conversion created the output");
    return 0;
  }
  const std::string bytes = ReadAll(output);
  const bool typed = request.options.typedValues;
  const bool bson = request.format == OutputFormat::Bson;
  const bool lines = request.format == OutputFormat::JsonLines;
  const auto rows = bson    ? outputrows::BsonRows(bytes, typed)
                    : lines ? outputrows::JsonLinesRows(bytes, typed)
                            : outputrows::JsonRows(bytes, typed);
  if (!rows)
    Fail(bson    ? "the output is not valid BSON"
         : lines ? "the output is not valid JSON Lines"
                 : "the output is not valid JSON");
  if (rows->size() != static_cast<std::size_t>(report.rowsWritten))
    Fail("the output holds another row count");
  return 0;
}
