// The output names: a name the header holds more than once is written once, its copies
// renamed name_2, name_3, ... past the names the header holds; empty names stay.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/EngineMessages.h"
#include "engine/plan/ColumnPlan.h"
#include "platform/core/Formatted.h"

namespace {

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

INSTANTIATE_TEST_SUITE_P(Header, PlanCases, ::testing::ValuesIn(kPlanCases),
                         [](const auto& info) { return std::string(info.param.name); });

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
