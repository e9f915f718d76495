// The row of types under the preview's column names: the output's names in its
// order, each with the type the conversion's recipe gives it, escaped as every
// text of the page.
#include <gtest/gtest.h>

#include <string>

#include "../platform/TempDir.h"
#include "engine/preview/PreviewPage.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct TypesCase {
  const char* name;
  ColumnRecipe recipe;
  bool typedValues;
  // The page's header rows, from <thead>, under a column of line numbers;
  // empty: the page has no such table.
  std::string head;
};

ColumnRecipe Listed(std::vector<ColumnChoice> columns) {
  ColumnRecipe recipe;
  recipe.listed = true;
  recipe.columns = std::move(columns);
  return recipe;
}

// The header rows for names over types.
std::string Head(const std::string& names, const std::string& types) {
  return "<tr><th class=\"line\">Line</th>" + names +
         "</tr>\n<tr class=\"types\"><th class=\"line\"></th>" + types + "</tr>\n";
}
const std::string kText = "<th class=\"mark\">text</th>";

const TypesCase kCases[] = {
    {"EveryColumnTextWithoutARecipe", {}, false, Head("<th>a</th><th>b</th>", kText + kText)},
    {"TheRecipesNamesOrderAndTypes",
     Listed({{"b", "<b>", ColumnType::Integer, std::nullopt, true}, {"a", {}, {}, {}, true}}),
     false, Head("<th>&lt;b&gt;</th><th>a</th>", "<th class=\"mark\">integer</th>" + kText)},
    {"ARecipeThatDoesNotFitHasNoTypes", Listed({{"c", {}, {}, {}, true}}), false, ""},
};

class PreviewTypesTest : public testing::TestWithParam<TypesCase> {};

TEST_P(PreviewTypesTest, ShowsEachOutputColumnsType) {
  const TypesCase& c = GetParam();
  const TempDir dir;
  ConversionRequest conversion;
  conversion.source = CString::FromUtf8(dir.Write("source.txt", "a,b\n1,2\n"));
  conversion.separator = CString(u",");
  conversion.options.columns = c.recipe;
  conversion.options.typedValues = c.typedValues;
  MakePreviewPage(conversion, dir.WFile("page.json"));
  const std::string page = ReadBytesFromFile(dir.File("page.json.html"));
  const std::size_t head = page.find("<thead>\n");
  if (c.head.empty()) {
    EXPECT_EQ(page.find("class=\"types\""), std::string::npos) << page;
    return;
  }
  ASSERT_NE(head, std::string::npos) << page;
  EXPECT_EQ(page.substr(head + 8, page.find("</thead>") - head - 8), c.head);
}

INSTANTIATE_TEST_SUITE_P(Recipes, PreviewTypesTest, testing::ValuesIn(kCases),
                         corvane_test::ByName);

}  // namespace
