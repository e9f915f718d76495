// The column options of corvane-convert: how they are parsed into the recipe, and what the
// real binary does with a recipe that does not fit the source.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliMessages.h"
#include "cli/Options.h"
#include "tests/cli/CliRun.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* error;  // empty: parsed
};

const UsageCase kUsageCases[] = {
    {"RenameWithoutEquals", {"--rename", "a", "in", "out"}, "option --rename takes a column name"},
    {"RenameWithoutName", {"--rename", "=x", "in", "out"}, "option --rename takes a column name"},
    {"UnknownType", {"--type", "a=int", "in", "out"}, "option --type takes a column name, '='"},
    {"UnknownEmpty", {"--empty", "none", "in", "out"}, "option --empty takes text, null or omit"},
    {"EmptyNameSelected", {"--select", "a,,b", "in", "out"}, "option --select takes column names"},
    {"NestTakesNoValue", {"--nest=1", "in", "out"}, "option --nest takes no value"},
    {"RecipeAndSelect",
     {"--columns", "r.json", "--select", "a", "in", "out"},
     "--columns and --select both choose the columns"},
    {"MissingRecipe",
     {"--columns", "/nonexistent/r.json", "in", "out"},
     "--columns /nonexistent/r.json: No such file or directory"},
};

class UsageCases : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageCases, SayWhatIsWrong) {
  const std::string error = cli::ParseOptions(GetParam().args).error;
  if (*GetParam().error == '\0')
    EXPECT_EQ(error, "");
  else
    EXPECT_EQ(error.rfind(GetParam().error, 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(Arguments, UsageCases, ::testing::ValuesIn(kUsageCases),
                         corvane_test::ByName);

// The short forms gather into one recipe: the selection listed, the rest as changes.
TEST(ColumnOptions, GatherIntoTheRecipe) {
  const cli::ParseResult parsed =
      cli::ParseOptions({"--select", "b,a", "--rename", "a=x=y", "--type", "b=date", "--empty",
                         "omit", "--nest", "in", "out"});
  ASSERT_EQ(parsed.error, "");
  const ColumnRecipe& recipe = parsed.options.columns.recipe;
  ASSERT_TRUE(recipe.listed);
  ASSERT_EQ(recipe.columns.size(), 2u);
  EXPECT_EQ(recipe.columns[0].name, "b");
  EXPECT_EQ(recipe.columns[1].name, "a");
  ASSERT_EQ(recipe.changes.size(), 2u);
  EXPECT_EQ(recipe.changes[0].name, "a");
  EXPECT_EQ(recipe.changes[0].as, "x=y");
  EXPECT_EQ(recipe.changes[1].type, ColumnType::Date);
  EXPECT_EQ(recipe.empty, EmptyValue::Omit);
  EXPECT_TRUE(recipe.nest);
}

class CliPlan : public CliTest {};

// Names the source lacks are the command line's fault: status 2, the source's names listed,
// and the earlier output untouched.
TEST_F(CliPlan, UnknownNamesAreUsageErrorsListingTheNames) {
  m_dir.Write("in.csv", "zip,city\n00501,Holtsville\n");
  m_dir.Write("out.json", "earlier");
  const Result r = Run("--select city,town in.csv out.json");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, std::string("corvane-convert: could not convert: in.csv: no column named "
                               "\"town\"; the columns are \"zip\", \"city\"\n") +
                       cli::kTryHelp + "\n");
  EXPECT_EQ(Read("out.json"), "earlier");
}

// The sample is held in memory, so a pipe is typed too; the recipe picks, renames and
// types, and what a type could not hold is said.
TEST_F(CliPlan, ARecipeThroughAPipe) {
  m_dir.Write("in.csv", "id,zip,n,when\n1,00501,7,2024-01-01\n2,90210,x,2024-01-02\n");
  m_dir.Write("r.json",
              "[{\"name\": \"n\", \"type\": \"integer\"}, {\"name\": \"zip\"}, "
              "{\"name\": \"when\", \"as\": \"day\"}]");
  const Result r = Run("--types --columns r.json -q - - < in.csv");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out,
      "[\n  {\n    \"n\": 7,\n    \"zip\": \"00501\",\n    \"day\": \"2024-01-01\"\n  },\n"
      "  {\n    \"n\": \"x\",\n    \"zip\": \"90210\",\n    \"day\": \"2024-01-02\"\n  }\n]\n");
  const Result told = Run("--type n=integer in.csv out.jsonl");
  EXPECT_NE(told.err.find("corvane-convert: 1 value(s) written as text, since their column's "
                          "type can't hold them: n (1)\n"),
            std::string::npos)
      << told.err;
}

}  // namespace
