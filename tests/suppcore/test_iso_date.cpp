// ISO 8601 dates and times as milliseconds since 1970 UTC; everything else is no date, so
// that a column holding it stays text.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "libs/suppcore/IsoDate.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

struct DateCase {
  const char* name;
  const char* text;
  std::optional<std::int64_t> milliseconds;
};

const DateCase kDateCases[] = {
    {"Epoch", "1970-01-01", 0},
    {"LeapDay", "2024-02-29", 1709164800000},
    {"BeforeTheEpoch", "1969-12-31T23:59:59.999Z", -1},
    {"CenturyLeapDay", "2000-02-29T00:00:00", 951782400000},
    {"NoZoneIsUtc", "2024-05-01T10:30", 1714559400000},
    {"SpaceForT", "2024-05-01 10:30:00", 1714559400000},
    {"ZoneWithColon", "2024-05-01T12:30:00+02:00", 1714559400000},
    {"ZoneWithoutColon", "2024-05-01T05:00:00-0530", 1714559400000},
    {"FractionCutToMilliseconds", "1970-01-01T00:00:00.1239Z", 123},
    {"CommaFraction", "1970-01-01T00:00:01,5", 1500},
    {"YearZero", "0000-03-01", -62162035200000},
    {"NoLeapDayIn1900", "1900-02-29", std::nullopt},
    {"Month13", "2024-13-01", std::nullopt},
    {"Day31InApril", "2024-04-31", std::nullopt},
    {"Hour24", "2024-01-01T24:00", std::nullopt},
    {"Second60", "2024-01-01T23:59:60", std::nullopt},
    {"ZoneWithoutTime", "2024-01-01Z", std::nullopt},
    {"ShortYear", "24-01-01", std::nullopt},
    {"Slashes", "2024/01/01", std::nullopt},
    {"TrailingText", "2024-01-01T10:00:00Zx", std::nullopt},
    {"EmptyFraction", "2024-01-01T10:00:00.", std::nullopt},
    {"ZoneHour24", "2024-01-01T10:00+24:00", std::nullopt},
    {"NotADate", "713752e1", std::nullopt},
};

class DateCases : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateCases, ReadAsTheyStand) {
  std::int64_t milliseconds = 42;
  const bool parsed = ParseIsoDate(GetParam().text, milliseconds);
  EXPECT_EQ(parsed ? std::optional<std::int64_t>(milliseconds) : std::nullopt,
            GetParam().milliseconds);
}

INSTANTIATE_TEST_SUITE_P(Texts, DateCases, ::testing::ValuesIn(kDateCases), corvane_test::ByName);

}  // namespace
