// The report of --report: one JSON document of the shape kept here, whatever
// the conversion did, and whose values say what it did.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/engine/Requests.h"
#include "tests/support/NamedCase.h"

using nlohmann::json;

namespace {

using corvane_test::operator<<;

// The shape the manual page documents: a leaf names its JSON type, an object holds exactly
// the members listed, [item] is an array of such items, and [a, b] is either.
const json kShape = json::parse(R"({
  "status": "integer", "source": "string", "output": "string",
  "encoding": {"name": "string", "why": "string", "undecodableBytes": "integer"},
  "separator": {"text": "string", "how": "string"},
  "rowsWritten": "integer",
  "linesLeftOut": {"total": "integer", "listed": [{"line": "integer", "lastLine": "integer",
    "byteOffset": "integer", "fields": "integer", "reason": "string"}]},
  "columnsRenamed": {"total": "integer",
    "listed": [{"column": "integer", "name": "string", "outputName": "string"}]},
  "valuesLeftAsText": "integer", "seconds": "number",
  "failure": [null, {"file": "string", "reason": "string", "line": "integer"}]
})");

bool Fits(const json& value, const json& shape) {
  if (shape.is_array() && shape.size() > 1)
    return std::any_of(shape.begin(), shape.end(),
                       [&](const json& one) { return Fits(value, one); });
  if (shape.is_array())
    return value.is_array() && std::all_of(value.begin(), value.end(),
                                           [&](const json& item) { return Fits(item, shape[0]); });
  if (shape.is_object())
    return value.is_object() && value.size() == shape.size() &&
           std::all_of(shape.items().begin(), shape.items().end(), [&](const auto& member) {
             return value.contains(member.key()) && Fits(value[member.key()], member.value());
           });
  if (shape.is_null())
    return value.is_null();
  return shape == "integer"  ? value.is_number_integer()
         : shape == "number" ? value.is_number()
                             : value.is_string();
}

// Whether every member expected holds is in value with the same value; arrays whole.
bool Holds(const json& value, const json& expected) {
  if (!expected.is_object())
    return value == expected;
  return value.is_object() &&
         std::all_of(expected.items().begin(), expected.items().end(), [&](const auto& member) {
           return value.contains(member.key()) && Holds(value[member.key()], member.value());
         });
}

std::string ManyLeftOut() {
  std::string text = "a,b\n";
  for (int k = 0; k < 1500; ++k)
    text += "x\n";
  return text;
}

struct ReportCase {
  const char* name;
  std::string source;
  bool quoted;
  bool strict;
  bool guessed;        // the separator, else a comma given
  json expected;       // the members the report must hold
  std::size_t listed;  // lines left out listed
};

const ReportCase kCases[] = {
    {"LinesLeftOutAndNamesRenamed", "a,a\n1,2\n3\n4,\"5\n6,7\n", true, false, true,
     json::parse(R"({"status": 0, "rowsWritten": 1, "failure": null,
       "encoding": {"name": "UTF-8", "undecodableBytes": 0},
       "separator": {"text": ",", "how": "guessed"},
       "linesLeftOut": {"total": 3, "listed": [
         {"line": 3, "lastLine": 3, "byteOffset": 8, "fields": 1,
          "reason": "Line 3 left out: it has 1 field(s), the header has 2"},
         {"line": 4, "lastLine": 5, "byteOffset": 10, "fields": 2,
          "reason": "a quote opened on line 4 is never closed: lines 4-5 left out"}]},
       "columnsRenamed": {"total": 1, "listed": [{"column": 2, "name": "a", "outputName": "a_2"}]},
       "valuesLeftAsText": 0})"),
     2},
    {"AFailureIsReportedToo", "a,b\n1\n", false, true, false,
     json::parse(R"j({"status": 1, "rowsWritten": 0, "separator": {"how": "given"},
       "failure": {"line": 2,
         "reason": "Line 2 left out: it has 1 field(s), the header has 2; every line must be converted (--strict)"}})j"),
     1},
    {"TheFirstThousandListed", ManyLeftOut(), false, false, false,
     json::parse(R"({"status": 0, "linesLeftOut": {"total": 1500}})"), 1000},
};

class Report : public ::testing::TestWithParam<ReportCase> {
 protected:
  TempDir m_dir;
};

TEST_P(Report, HasItsShapeAndSaysWhatTheConversionDid) {
  const ReportCase& c = GetParam();
  ConversionRequest request = RequestIn(m_dir, c.source);
  if (c.guessed)
    request.separator.reset();
  request.reportFile = m_dir.WFile("report.json");
  request.options.quoted = c.quoted;
  request.options.strict = c.strict;
  ConvertToJson(request);
  const json report = json::parse(ReadBytesFromFile(m_dir.File("report.json")));
  EXPECT_TRUE(Fits(report, kShape)) << report.dump(2);
  EXPECT_TRUE(Holds(report, c.expected)) << report.dump(2);
  EXPECT_EQ(report["linesLeftOut"]["listed"].size(), c.listed);
  EXPECT_EQ(report["source"], m_dir.File("in.csv"));
}

INSTANTIATE_TEST_SUITE_P(Conversion, Report, ::testing::ValuesIn(kCases), corvane_test::ByName);

}  // namespace
