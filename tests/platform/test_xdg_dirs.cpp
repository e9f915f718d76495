// The base directory rule that the settings and the log share.
#include "platform/core/XdgDirs.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <optional>
#include <ostream>
#include <string>
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

std::string PasswdHome() {
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_dir[0] == '/' ? entry->pw_dir : "";
}

void SetOrUnset(const char* name, const std::optional<std::string>& value) {
  if (value)
    setenv(name, value->c_str(), 1);
  else
    unsetenv(name);
}

struct XdgCase {
  const char* name;
  std::optional<std::string> variable;
  std::optional<std::string> home;
  std::string expected;  // "~" stands for the passwd entry's home
};

// Failures name the case, not the bytes of its record.
class XdgTest : public testing::TestWithParam<XdgCase> {
 protected:
  ~XdgTest() override {
    SetOrUnset("HOME", m_home);
    unsetenv("CORVANE_TEST_XDG");
  }
  const std::optional<std::string> m_home =
      getenv("HOME") ? std::optional<std::string>(getenv("HOME")) : std::nullopt;
};

TEST_P(XdgTest, AnAbsoluteValueCountsAndAnyOtherIsIgnored) {
  const XdgCase& c = GetParam();
  SetOrUnset("CORVANE_TEST_XDG", c.variable);
  SetOrUnset("HOME", c.home);
  std::string expected = c.expected;
  if (expected.starts_with('~'))
    expected = PasswdHome().empty() ? "" : PasswdHome() + expected.substr(1);
  EXPECT_EQ(XdgBaseDirectory("CORVANE_TEST_XDG", ".config"), expected);
}

INSTANTIATE_TEST_SUITE_P(Values, XdgTest,
                         testing::Values(XdgCase{"Absolute", "/x/conf", "/h", "/x/conf"},
                                         XdgCase{"Relative", "x/conf", "/h", "/h/.config"},
                                         XdgCase{"Unset", std::nullopt, "/h", "/h/.config"},
                                         XdgCase{"RelativeHome", std::nullopt, "h", "~/.config"},
                                         XdgCase{"NoHome", std::nullopt, std::nullopt, "~/.config"},
                                         XdgCase{"AbsoluteWithoutHome", "/x/conf", std::nullopt,
                                                 "/x/conf"}),
                         corvane_test::ByName);

}  // namespace
