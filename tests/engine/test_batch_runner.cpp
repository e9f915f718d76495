// Several sources into one folder through the engine's batch: the outputs' names, the order
// and thread the front ends are told on, and one cancel for all.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/batch/Batch.h"
#include "engine/conversion/ConvertToJson.h"
#include "tests/platform/TempDir.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct NameCase {
  const char* name;
  const char* source;
  OutputFormat format;
  OutputCompression compression;
  const char* output;
};

const NameCase kNameCases[] = {
    {"Extension", "/data/sales.csv", OutputFormat::Json, OutputCompression::None, "sales.json"},
    {"LastExtensionOnly", "in/a.b.txt", OutputFormat::Bson, OutputCompression::None, "a.b.bson"},
    {"CompressedSource", "x/data.csv.gz", OutputFormat::JsonLines, OutputCompression::None,
     "data.jsonl"},
    {"NoExtension", "plain", OutputFormat::Json, OutputCompression::Zstd, "plain.json.zst"},
    {"HiddenName", "dir/.rows", OutputFormat::Json, OutputCompression::Gzip, ".rows.json.gz"},
    {"DotInFolder", "a.d/rows", OutputFormat::Json, OutputCompression::None, "rows.json"},
};

class OutputNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputNames, NamedAfterTheSource) {
  const NameCase& c = GetParam();
  EXPECT_EQ(OutputNameOf(CString::FromUtf8(c.source), c.format, c.compression).ToUtf8(), c.output);
}

INSTANTIATE_TEST_SUITE_P(Batch, OutputNames, ::testing::ValuesIn(kNameCases), corvane_test::ByName);

// rows lines of "i,v".
std::string Rows(int rows) {
  std::string text = "n,v\n";
  for (int i = 0; i < rows; ++i)
    text += std::to_string(i) + ",value\n";
  return text;
}

class BatchRun : public ::testing::TestWithParam<std::size_t> {
 protected:
  // sources of rows rows each, with "precious" in each output's place.
  BatchPlan Plan(int sources, int rows) {
    std::vector<CString> names;
    for (int i = 0; i < sources; ++i)
      names.push_back(CString::FromUtf8(
          dir.Write(std::string("s").append(std::to_string(i)).append(".csv"), Rows(rows))));
    std::filesystem::create_directory(dir.File("out"));
    BatchPlan plan =
        PlanBatch(names, dir.WFile("out"), OutputFormat::Json, OutputCompression::None);
    for (const BatchItem& item : plan.items)
      WriteBytesToFile(item.output.ToUtf8(), "precious");
    each.separator = CString(u",");
    return plan;
  }

  TempDir dir;
  ConversionRequest each;
};

// Whatever the jobs, each item is told once, in order, on the calling thread, with what a
// single conversion writes; progress runs there too and reaches the sources' total.
TEST_P(BatchRun, ToldInOrderOnTheCallingThread) {
  const BatchPlan plan = Plan(5, 70000);
  const std::thread::id caller = std::this_thread::get_id();
  std::vector<std::size_t> told;
  std::uint64_t lastRead = 0;
  std::uint64_t lastTotal = 0;
  RunBatch(
      each, plan.items, GetParam(),
      [&](std::uint64_t read, std::uint64_t total) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        lastRead = read;
        lastTotal = total;
        return true;
      },
      [&](std::size_t item, const ConversionReport& report) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        EXPECT_TRUE(report.Converted()) << item;
        EXPECT_EQ(report.rowsWritten, 70000) << item;
        told.push_back(item);
      });
  EXPECT_EQ(told, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(lastTotal, 5 * Rows(70000).size());
  EXPECT_LE(lastRead, lastTotal);
  ConversionRequest single = each;
  single.source = plan.items[3].source;
  single.output = dir.WFile("single.json");
  ASSERT_TRUE(ConvertToJson(single).Converted());
  EXPECT_EQ(ReadBytesFromFile(plan.items[3].output.ToUtf8()),
            ReadBytesFromFile(dir.File("single.json")));
}

// One cancel stops them all: the conversions under way and those not begun are cancelled,
// their earlier outputs kept and no hidden file left; those told converted are whole.
TEST_P(BatchRun, OneCancelStopsEveryConversion) {
  const BatchPlan plan = Plan(6, 400000);
  std::vector<ConversionReport> reports;
  RunBatch(
      each, plan.items, GetParam(), [](std::uint64_t, std::uint64_t) { return false; },
      [&](std::size_t, const ConversionReport& report) { reports.push_back(report); });
  ASSERT_EQ(reports.size(), plan.items.size());
  EXPECT_TRUE(reports.back().cancelled);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const std::string output = ReadBytesFromFile(plan.items[i].output.ToUtf8());
    EXPECT_FALSE(reports[i].failure) << i;
    if (reports[i].cancelled)
      EXPECT_TRUE(output == "precious") << i;
    else
      EXPECT_EQ(output.substr(output.size() - 2), "]\n") << i;
  }
  EXPECT_EQ(HiddenFiles(dir.File("out")), 0);
}

INSTANTIATE_TEST_SUITE_P(Jobs, BatchRun, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return std::to_string(info.param) + "AtATime"; });

}  // namespace
