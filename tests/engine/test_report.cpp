// The report of --report: one JSON document that a schema kept here describes, whatever
// the conversion did, and whose values say what it did.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "engine/conversion/ConvertToJson.h"
#include "tests/platform/TempDir.h"

using nlohmann::json;

namespace {

// The shape the manual page documents.
const json kSchema = json::parse(R"({
  "type": "object", "additionalProperties": false,
  "required": ["status", "source", "output", "encoding", "separator", "rowsWritten",
               "linesLeftOut", "columnsRenamed", "valuesLeftAsText", "seconds", "failure"],
  "properties": {
    "status": {"enum": [0, 1]},
    "source": {"type": "string"},
    "output": {"type": "string"},
    "encoding": {"type": "object", "additionalProperties": false,
      "required": ["name", "why", "undecodableBytes"],
      "properties": {"name": {"type": "string"}, "why": {"type": "string"},
                     "undecodableBytes": {"type": "integer"}}},
    "separator": {"type": "object", "additionalProperties": false, "required": ["text", "how"],
      "properties": {"text": {"type": "string"}, "how": {"enum": ["given", "guessed"]}}},
    "rowsWritten": {"type": "integer"},
    "linesLeftOut": {"type": "object", "additionalProperties": false,
      "required": ["total", "listed"],
      "properties": {"total": {"type": "integer"},
        "listed": {"type": "array", "maxItems": 1000, "items": {"type": "object",
          "additionalProperties": false,
          "required": ["line", "lastLine", "byteOffset", "fields", "reason"],
          "properties": {"line": {"type": "integer"}, "lastLine": {"type": "integer"},
                         "byteOffset": {"type": "integer"}, "fields": {"type": "integer"},
                         "reason": {"type": "string"}}}}}},
    "columnsRenamed": {"type": "object", "additionalProperties": false,
      "required": ["total", "listed"],
      "properties": {"total": {"type": "integer"},
        "listed": {"type": "array", "items": {"type": "object", "additionalProperties": false,
          "required": ["column", "name", "outputName"],
          "properties": {"column": {"type": "integer"}, "name": {"type": "string"},
                         "outputName": {"type": "string"}}}}}},
    "valuesLeftAsText": {"type": "integer"},
    "seconds": {"type": "number"},
    "failure": {"type": ["null", "object"], "additionalProperties": false,
      "required": ["file", "reason", "line"],
      "properties": {"file": {"type": "string"}, "reason": {"type": "string"},
                     "line": {"type": "integer"}}}
  }
})");

bool HasType(const json& value, const std::string& type) {
  return (type == "object" && value.is_object()) || (type == "array" && value.is_array()) ||
         (type == "string" && value.is_string()) || (type == "null" && value.is_null()) ||
         (type == "integer" && value.is_number_integer()) ||
         (type == "number" && value.is_number());
}

// The part of JSON Schema the schema above uses; empty when value fits, else where not.
std::string Mismatch(const json& value, const json& schema, const std::string& at = "$") {
  if (schema.contains("enum") &&
      std::find(schema["enum"].begin(), schema["enum"].end(), value) == schema["enum"].end())
    return at + ": not one of " + schema["enum"].dump();
  if (schema.contains("type")) {
    const json types = schema["type"].is_array() ? schema["type"] : json::array({schema["type"]});
    if (std::none_of(types.begin(), types.end(),
                     [&](const json& type) { return HasType(value, type.get<std::string>()); }))
      return at + ": not " + schema["type"].dump();
  }
  if (value.is_object()) {
    for (const json& key : schema.value("required", json::array()))
      if (!value.contains(key.get<std::string>()))
        return at + ": no " + key.get<std::string>();
    for (const auto& [key, member] : value.items()) {
      if (!schema.contains("properties") || !schema["properties"].contains(key)) {
        if (schema.value("additionalProperties", true) == false)
          return at + ": unknown " + key;
        continue;
      }
      if (std::string why = Mismatch(member, schema["properties"][key], at + "." + key);
          !why.empty())
        return why;
    }
  }
  if (value.is_array()) {
    if (schema.contains("maxItems") && value.size() > schema["maxItems"].get<std::size_t>())
      return at + ": too many items";
    for (std::size_t k = 0; k < value.size() && schema.contains("items"); ++k)
      if (std::string why = Mismatch(value[k], schema["items"], at + "[" + std::to_string(k) + "]");
          !why.empty())
        return why;
  }
  return {};
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
  const char16_t* separator;  // null: guessed
  json expected;              // the members the report must hold
  std::size_t listed;         // lines left out listed
};

const ReportCase kCases[] = {
    {"LinesLeftOutAndNamesRenamed", "a,a\n1,2\n3\n4,\"5\n6,7\n", true, false, nullptr,
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
    {"AFailureIsReportedToo", "a,b\n1\n", false, true, u",",
     json::parse(R"j({"status": 1, "rowsWritten": 0, "separator": {"how": "given"},
       "failure": {"line": 2,
         "reason": "Line 2 left out: it has 1 field(s), the header has 2; every line must be converted (--strict)"}})j"),
     1},
    {"TheFirstThousandListed", ManyLeftOut(), false, false, u",",
     json::parse(R"({"status": 0, "linesLeftOut": {"total": 1500}})"), 1000},
};

void PrintTo(const ReportCase& c, std::ostream* out) {
  *out << c.name;
}

class Report : public ::testing::TestWithParam<ReportCase> {
 protected:
  TempDir m_dir;
};

TEST_P(Report, FitsTheSchemaAndSaysWhatTheConversionDid) {
  const ReportCase& c = GetParam();
  ConversionRequest request;
  request.source = m_dir.WFile("in.csv");
  m_dir.Write("in.csv", c.source);
  if (c.separator != nullptr)
    request.separator = c.separator;
  request.output = m_dir.WFile("out.json");
  request.reportFile = m_dir.WFile("report.json");
  request.options.quoted = c.quoted;
  request.options.strict = c.strict;
  request.options.log = false;
  ConvertToJson(request);
  const json report = json::parse(ReadBytesFromFile(m_dir.File("report.json")));
  EXPECT_EQ(Mismatch(report, kSchema), "");
  EXPECT_TRUE(Holds(report, c.expected)) << report.dump(2);
  EXPECT_EQ(report["linesLeftOut"]["listed"].size(), c.listed);
  EXPECT_EQ(report["source"], m_dir.File("in.csv"));
}

INSTANTIATE_TEST_SUITE_P(Conversion, Report, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The schema check itself catches what it is there for.
TEST(ReportSchema, RefusesAMissingMemberAWrongTypeAndAnUnknownMember) {
  const json good = json::parse(R"({"status": 0, "source": "s", "output": "o",
    "encoding": {"name": "UTF-8", "why": "UTF-8", "undecodableBytes": 0},
    "separator": {"text": ",", "how": "given"}, "rowsWritten": 1,
    "linesLeftOut": {"total": 0, "listed": []}, "columnsRenamed": {"total": 0, "listed": []},
    "valuesLeftAsText": 0, "seconds": 0.5, "failure": null})");
  EXPECT_EQ(Mismatch(good, kSchema), "");
  json missing = good, wrongType = good, unknown = good;
  missing.erase("seconds");
  wrongType["rowsWritten"] = "1";
  unknown["encoding"]["extra"] = 1;
  EXPECT_EQ(Mismatch(missing, kSchema), "$: no seconds");
  EXPECT_EQ(Mismatch(wrongType, kSchema), "$.rowsWritten: not \"integer\"");
  EXPECT_EQ(Mismatch(unknown, kSchema), "$.encoding: unknown extra");
}

}  // namespace
