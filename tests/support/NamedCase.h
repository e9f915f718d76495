#pragma once

// A parameterised case carries its own name: the test's name ends with it, and a failure
// prints it rather than the case's raw bytes. A test file brings the printer into the
// namespace of its cases (`using corvane_test::operator<<;`), where GoogleTest looks for it.

#include <ostream>
#include <string>

namespace corvane_test {

inline constexpr auto ByName = [](const auto& info) { return std::string(info.param.name); };

template <typename Case>
auto operator<<(std::ostream& out, const Case& c) -> decltype(out << c.name) {
  return out << c.name;
}

}  // namespace corvane_test
