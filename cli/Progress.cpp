#include "cli/Progress.h"

#include "cli/CliMessages.h"

#include <cstdio>

namespace cli {

ProgressLine::ProgressLine(bool enabled)
    : m_enabled(enabled), m_start(Clock::now()), m_lastDraw(m_start) {}

void ProgressLine::Update(std::uint64_t bytesRead, std::uint64_t total) {
  if (!m_enabled)
    return;
  Clock::time_point now = Clock::now();
  if (now - m_start < std::chrono::seconds(1))
    return;
  if (m_drawn && now - m_lastDraw < std::chrono::milliseconds(100))
    return;
  m_lastDraw = now;
  double seconds = std::chrono::duration<double>(now - m_start).count();
  double rate = bytesRead / 1e6 / seconds;
  if (total > 0)
    std::fprintf(stderr, kProgressOfTotal,
                 100.0 * static_cast<double>(bytesRead) / static_cast<double>(total), rate);
  else
    std::fprintf(stderr, kProgressBytes, bytesRead / 1e6, rate);
  std::fflush(stderr);
  m_drawn = true;
}

void ProgressLine::Clear() {
  if (!m_drawn)
    return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  m_drawn = false;
}

}  // namespace cli
