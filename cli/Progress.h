// A progress line on a terminal for conversions that last more than about a second.
#pragma once

#include <chrono>
#include <cstdint>

namespace cli {

class ProgressLine {
 public:
  // enabled: stderr is a terminal and the user did not ask for quiet.
  explicit ProgressLine(bool enabled);
  // Redraws the line when at least a second has passed since the start and a tenth of a
  // second since the last redraw. total: the source's size, 0 when it has none (a pipe):
  // then the line shows the bytes read and the rate only.
  void Update(std::uint64_t bytesRead, std::uint64_t total);
  // Removes the line, if one was drawn.
  void Clear();

 private:
  using Clock = std::chrono::steady_clock;
  bool m_enabled;
  bool m_drawn = false;
  Clock::time_point m_start;
  Clock::time_point m_lastDraw;
};

}  // namespace cli
