// The plan: the output names, then the columns chosen, renamed, typed and nested on whole
// conversions.
//
// The output names: a name the header holds more than once is written once, its copies
// renamed name_2, name_3, ... past the names the header holds; empty names stay.
#include <bson/bson.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineMessages.h"
#include "engine/conversion/ConvertToJson.h"
#include "engine/conversion/RowLoop.h"
#include "engine/plan/ColumnPlan.h"
#include "engine/plan/ColumnRecipe.h"
#include "platform/core/Formatted.h"
#include "tests/engine/Requests.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct PlanCase {
  const char* name;
  std::vector<std::u16string> header;
  std::vector<std::u16string> output;
};

const PlanCase kPlanCases[] = {
    {"AllDifferent", {u"a", u"b", u""}, {u"a", u"b", u""}},
    {"EmptyNamesStay", {u"", u"", u"x", u""}, {u"", u"", u"x", u""}},
    {"CopiesNumberedInColumnOrder",
     {u"a", u"b", u"a", u"a", u"b"},
     {u"a", u"b", u"a_2", u"a_3", u"b_2"}},
    {"PastANameTheHeaderHolds", {u"a", u"a", u"a_2"}, {u"a", u"a_3", u"a_2"}},
    {"ALaterHeldName", {u"a_2", u"a", u"a", u"a_3", u"a"}, {u"a_2", u"a", u"a_4", u"a_3", u"a_5"}},
    {"CopiesOfANumberedName", {u"a", u"a_2", u"a_2", u"a"}, {u"a", u"a_2", u"a_2_2", u"a_3"}},
    {"NonAscii", {u"Zürich", u"Zürich"}, {u"Zürich", u"Zürich_2"}},
};

NameList ListOf(const std::vector<std::u16string>& names) {
  NameList list;
  for (const std::u16string& name : names)
    list.Append(CString(name).ToUtf8());
  return list;
}

std::vector<std::u16string> Utf16Of(const NameList& names) {
  std::vector<std::u16string> texts;
  for (const std::string_view name : names)
    texts.push_back(Utf8ToUtf16(name));
  return texts;
}

class PlanCases : public ::testing::TestWithParam<PlanCase> {};

TEST_P(PlanCases, RenamesEveryCopy) {
  const NameList header = ListOf(GetParam().header);
  const COutputNames plan(header);
  const std::vector<std::u16string> output = Utf16Of(plan.Names());
  EXPECT_EQ(output, GetParam().output);
  std::size_t renamed = 0;
  for (std::size_t k = 0; k < output.size(); ++k)
    renamed += output[k] != GetParam().header[k];
  EXPECT_EQ(plan.RenamedCount(), renamed);
  ASSERT_EQ(plan.Renamed().size(), renamed);
  for (const RenamedColumn& column : plan.Renamed()) {
    EXPECT_EQ(column.name, GetParam().header[column.column]);
    EXPECT_EQ(column.outputName, output[column.column]);
  }
}

INSTANTIATE_TEST_SUITE_P(Header, PlanCases, ::testing::ValuesIn(kPlanCases), corvane_test::ByName);

// Many copies: all counted, the first kept and shown, the rest counted in the text.
TEST(RenamedColumnsText, ShowsTheFirstAndCountsTheRest) {
  const NameList header = ListOf(std::vector<std::u16string>(300, u"c"));
  const COutputNames plan(header);
  EXPECT_EQ(plan.RenamedCount(), 299u);
  EXPECT_EQ(plan.Renamed().size(), COutputNames::kRenamedKept);
  EXPECT_EQ(plan.Names()[299], "c_300");
  const CString list = CString(u"c -> c_2, c -> c_3, c -> c_4, c -> c_5, c -> c_6") +
                       Formatted(EngineMessages::kMoreRenamed, 294LL);
  EXPECT_EQ(RenamedColumnsText(plan.RenamedCount(), plan.Renamed()),
            Formatted(EngineMessages::kColumnsRenamed, 299LL, list.GetString()));
  EXPECT_TRUE(RenamedColumnsText(0, {}).IsEmpty());
}

}  // namespace

namespace {

// The plan on whole conversions: a source, the recipe, and the output it gives (Extended
// JSON shows every type as BSON holds it) or the failure's reason.
ColumnChoice Choice(const char* name, const char* as = nullptr,
                    std::optional<ColumnType> type = std::nullopt,
                    std::optional<EmptyValue> empty = std::nullopt) {
  ColumnChoice choice;
  choice.name = name;
  if (as)
    choice.as = as;
  choice.type = type;
  choice.empty = empty;
  return choice;
}

struct PlannedConversion {
  const char* name;
  const char* source;
  bool types;
  OutputFormat format;
  // The output, or the failure's reason after "<source>: ".
  const char* expected;
  ColumnRecipe recipe = {};
};

ColumnRecipe Typed(std::vector<ColumnChoice> changes, EmptyValue empty = EmptyValue::Text,
                   bool nest = false) {
  ColumnRecipe recipe;
  recipe.changes = std::move(changes);
  recipe.empty = empty;
  recipe.nest = nest;
  return recipe;
}

ColumnRecipe Listed(std::vector<ColumnChoice> columns) {
  ColumnRecipe recipe;
  recipe.listed = true;
  recipe.columns = std::move(columns);
  return recipe;
}

constexpr auto kJsonl = OutputFormat::JsonLines;
constexpr auto kEjson = OutputFormat::ExtendedJson;

const PlannedConversion kPlannedConversions[] = {
    {"LeadingZerosKeepZipAndPhoneText", "zip,phone\n90210,0612345678\n00501,123\n", true, kJsonl,
     "{\"zip\":\"90210\",\"phone\":\"0612345678\"}\n{\"zip\":\"00501\",\"phone\":\"123\"}\n"},
    {"EachColumnItsNarrowestType",
     "i,n,b,d,t\n1,1,true,2024-02-29,x\n-7,2.5,false,1970-01-01T00:00:01.5+01:00,2\n", true, kEjson,
     "{\"i\":{\"$numberInt\":\"1\"},\"n\":{\"$numberInt\":\"1\"},\"b\":true,\"d\":{\"$date\":{\"$"
     "numberLong\":\"1709164800000\"}},\"t\":\"x\"}\n"
     "{\"i\":{\"$numberInt\":\"-7\"},\"n\":{\"$numberDouble\":\"2.5\"},\"b\":false,\"d\":{\"$"
     "date\":{\"$numberLong\":\"-3598500\"}},\"t\":\"2\"}\n"},
    {"EmptyValuesEachWay", "a,b,c\n,,\n1,2,3\n", false, kJsonl,
     "{\"b\":null,\"c\":\"\"}\n{\"a\":\"1\",\"b\":2,\"c\":\"3\"}\n",
     Typed({Choice("a", nullptr, std::nullopt, EmptyValue::Omit),
            Choice("b", nullptr, ColumnType::Integer, EmptyValue::Null),
            Choice("c", nullptr, std::nullopt, EmptyValue::Text)})},
    {"AllMembersLeftOut", "a,b\n,\n", false, kJsonl, "{}\n", Typed({}, EmptyValue::Omit)},
    {"GivenTypesAndValuesTheyCantHold", "a,b,c\n12,x,1e3\n99999999999,2024-13-01,0.1\n", false,
     kEjson,
     "{\"a\":{\"$numberInt\":\"12\"},\"b\":\"x\",\"c\":{\"$numberDecimal\":\"1E+3\"}}\n"
     "{\"a\":{\"$numberLong\":\"99999999999\"},\"b\":\"2024-13-01\",\"c\":{\"$numberDecimal\":\"0."
     "1\"}}\n",
     Typed({Choice("a", nullptr, ColumnType::Integer), Choice("b", nullptr, ColumnType::Date),
            Choice("c", nullptr, ColumnType::Decimal)})},
    {"SelectedInTheirOrderRenamed", "a,b,c\n1,2,3\n", false, kJsonl, "{\"c\":\"3\",\"x\":\"1\"}\n",
     Listed({Choice("c"), Choice("a", "x")})},
    {"CopiesRenamedFirstThenSelected", "a,a,b\n1,2,3\n", false, kJsonl,
     "{\"a_2\":\"2\",\"a\":\"1\"}\n", Listed({Choice("a_2"), Choice("a")})},
    {"NestedWhereTheFirstMemberStands", "a.b,x,a.c.d\n1,2,3\n", false, kJsonl,
     "{\"a\":{\"b\":\"1\",\"c\":{\"d\":\"3\"}},\"x\":\"2\"}\n", Typed({}, EmptyValue::Text, true)},
    {"AValueThatIsAlsoAParent", "a.b,a\n1,2\n", false, kJsonl,
     "column \"a\" holds a value, so column \"a.b\" can't be nested in it",
     Typed({}, EmptyValue::Text, true)},
    {"UnknownNamesListTheHeader", "a,b\n1,2\n", false, kJsonl,
     "no columns named \"z\", \"y\"; the columns are \"a\", \"b\"",
     Listed({Choice("a"), Choice("z"), Choice("y")})},
    {"TwoColumnsUnderOneName", "a,b\n1,2\n", false, kJsonl,
     "columns \"a\" and \"b\" would both be written as \"a\"", Typed({Choice("b", "a")})},
};

class PlannedConversions : public ::testing::TestWithParam<PlannedConversion> {};

TEST_P(PlannedConversions, WriteWhatThePlanSays) {
  const PlannedConversion& c = GetParam();
  TempDir dir;
  ConversionRequest request = RequestIn(dir, c.source, c.format);
  request.options.typedValues = c.types;
  request.options.columns = c.recipe;
  const ConversionReport report = ConvertToJson(request);
  if (report.failure) {
    EXPECT_EQ(report.failure->kind, ConversionFailure::Kind::ColumnsMismatch);
    EXPECT_EQ(report.failure->Text().ToUtf8(), dir.File("in.csv") + ": " + c.expected);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
  } else {
    EXPECT_EQ(ReadBytesFromFile(dir.File("out")), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, PlannedConversions, ::testing::ValuesIn(kPlannedConversions),
                         corvane_test::ByName);

// Values a given type can't hold are counted, by column, and said in words.
TEST(LeftAsText, CountedByColumn) {
  TempDir dir;
  ConversionRequest request = RequestIn(dir, "a,b\nx,1\n2,y\nz,w\n", kJsonl);
  request.options.columns =
      Typed({Choice("a", "A", ColumnType::Integer), Choice("b", nullptr, ColumnType::Boolean)});
  const ConversionReport report = ConvertToJson(request);
  ASSERT_TRUE(report.Converted());
  EXPECT_EQ(report.valuesLeftAsText, 5);
  EXPECT_EQ(LeftAsTextText(report).ToUtf8(),
            "5 value(s) written as text, since their column's type can't hold them: A (2), b (3)");
}

// The types are decided from the first 16 MiB, held meanwhile and written in order; a
// later value the type can't hold is text, and counted.
TEST(AutomaticTypes, DecidedFromTheSourcesStartThenCounted) {
  TempDir dir;
  std::string source = "n\n";
  const std::size_t rows = (std::size_t{17} << 20) / 8;
  for (std::size_t k = 0; k < rows; ++k)
    source += std::to_string(1000000 + k) + "\n";
  source += "007\n";
  ConversionRequest request = RequestIn(dir, source, kJsonl);
  request.options.typedValues = true;
  const ConversionReport report = ConvertToJson(request);
  ASSERT_TRUE(report.Converted());
  EXPECT_EQ(report.valuesLeftAsText, 1);
  const std::string out = ReadBytesFromFile(dir.File("out"));
  std::string expected;
  for (std::size_t k = 0; k < rows; ++k)
    expected += "{\"n\":" + std::to_string(1000000 + k) + "}\n";
  expected += "{\"n\":\"007\"}\n";
  EXPECT_TRUE(out == expected) << "the rows differ from the expected ones";
}

// Read back with libbson, the Extended JSON gives the very bytes of the BSON output.
TEST(ExtendedJson, ReadsBackAsTheBsonByteForByte) {
  TempDir dir;
  const std::string source =
      "i,l,d,x,b,t,s,e,n.a,n.b\n"
      "1,9000000000,1.5,1e-400,true,2024-05-01T10:30:00.250Z,text \"q\" \xc3\xa9,,1,2\n"
      "-2,-9000000000,-0.0,123456789012345678.5,false,1969-12-31,,,3,\n";
  for (const bool nest : {false, true}) {
    SCOPED_TRACE(nest ? "nested" : "flat");
    std::string outputs[2];
    for (const OutputFormat format : {OutputFormat::Bson, OutputFormat::ExtendedJson}) {
      ConversionRequest request = RequestIn(dir, source, format);
      request.options.typedValues = true;
      request.options.columns =
          Typed({Choice("x", nullptr, ColumnType::Number)}, EmptyValue::Null, nest);
      request.options.columns.changes.push_back(
          Choice("s", nullptr, std::nullopt, EmptyValue::Omit));
      ASSERT_TRUE(ConvertToJson(request).Converted());
      outputs[format == OutputFormat::Bson ? 0 : 1] = ReadBytesFromFile(dir.File("out"));
    }
    std::string readBack;
    std::size_t start = 0;
    for (std::size_t end; (end = outputs[1].find('\n', start)) != std::string::npos;
         start = end + 1) {
      bson_error_t error;
      bson_t* document =
          bson_new_from_json(reinterpret_cast<const uint8_t*>(outputs[1].data() + start),
                             static_cast<ssize_t>(end - start), &error);
      ASSERT_NE(document, nullptr) << error.message;
      readBack.append(reinterpret_cast<const char*>(bson_get_data(document)), document->len);
      bson_destroy(document);
    }
    EXPECT_EQ(start, outputs[1].size());
    EXPECT_TRUE(readBack == outputs[0]) << outputs[1];
    EXPECT_EQ(std::count(outputs[1].begin(), outputs[1].end(), '\n'), 2);
  }
}

struct RecipeCase {
  const char* name;
  const char* text;  // null: the file is a folder
  const char* error;
};

const RecipeCase kRecipeCases[] = {
    {"NotJson", "[{\"name\":", "not JSON: parse error at line 1, column 10: syntax error"},
    {"NotAList", "{\"name\": \"a\"}", "must hold a list of columns"},
    {"NotAnObject", "[\"a\"]", "entry 1: must be an object"},
    {"NoName", "[{\"name\": \"a\"}, {\"as\": \"b\"}]", "entry 2: has no \"name\""},
    {"NameNotText", "[{\"name\": 1}]", "entry 1: \"name\" must be a text"},
    {"UnknownField", "[{\"name\": \"a\", \"typ\": \"date\"}]", "entry 1: unknown field \"typ\""},
    {"UnknownType", "[{\"name\": \"a\", \"type\": \"int\"}]",
     "entry 1: \"type\" must be one of text, automatic, integer, number, decimal, boolean, date"},
    {"UnknownEmpty", "[{\"name\": \"a\", \"empty\": \"none\"}]",
     "entry 1: \"empty\" must be one of text, null, omit"},
    {"KeepNotBoolean", "[{\"name\": \"a\", \"keep\": \"no\"}]",
     "entry 1: \"keep\" must be true or false"},
    {"AFolder", nullptr, "Is a directory"},
};

class RecipeCases : public ::testing::TestWithParam<RecipeCase> {};

TEST_P(RecipeCases, SayWhatIsWrong) {
  TempDir dir;
  const std::string path = GetParam().text ? dir.Write("r.json", GetParam().text) : dir.Path();
  std::string error;
  EXPECT_TRUE(ReadRecipeFile(path, error).empty());
  EXPECT_EQ(error.rfind(GetParam().error, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(Files, RecipeCases, ::testing::ValuesIn(kRecipeCases),
                         corvane_test::ByName);

TEST(RecipeFile, GivesEveryFieldInOrder) {
  TempDir dir;
  std::string error;
  const std::vector<ColumnChoice> columns =
      ReadRecipeFile(dir.Write("r.json",
                               "[{\"name\": \"b\", \"as\": \"B\", \"type\": \"date\", \"empty\": "
                               "\"omit\", \"keep\": false}, {\"name\": \"a\"}]"),
                     error);
  ASSERT_EQ(columns.size(), 2u) << error;
  EXPECT_EQ(columns[0].name, "b");
  EXPECT_EQ(columns[0].as, "B");
  EXPECT_EQ(columns[0].type, ColumnType::Date);
  EXPECT_EQ(columns[0].empty, EmptyValue::Omit);
  EXPECT_FALSE(columns[0].keep);
  EXPECT_EQ(columns[1].name, "a");
  EXPECT_FALSE(columns[1].as || columns[1].type || columns[1].empty);
  EXPECT_TRUE(columns[1].keep);
}

}  // namespace
