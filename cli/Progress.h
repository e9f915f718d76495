// A progress line on a terminal for conversions that last more than about a second.
#pragma once

#include <chrono>
#include <cstdint>

namespace cli {

class ProgressLine {
 public:
  // total: the size of the source in bytes (0 when unknown); enabled: stderr is a
  // terminal and the user did not ask for quiet.
  ProgressLine(std::uint64_t total, bool enabled);
  // Redraws the line when at least a second has passed since the start and a tenth of a
  // second since the last redraw.
  void Update(std::uint64_t bytesRead);
  // Removes the line, if one was drawn.
  void Clear();

 private:
  using Clock = std::chrono::steady_clock;
  std::uint64_t m_total;
  bool m_enabled;
  bool m_drawn = false;
  Clock::time_point m_start;
  Clock::time_point m_lastDraw;
};

}  // namespace cli
