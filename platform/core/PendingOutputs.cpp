#include "platform/core/PendingOutputs.h"

#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/core/AtomicOutput.h"

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The command line writes up to 256 outputs at a time (-j); the window one.
constexpr int kSlots = 256;

// kFilling: the name is being copied; kCreating: the file is being created. Both by a
// thread that holds the signals, which a handler on another thread waits for.
enum SlotState : int { kFree, kFilling, kCreating, kPending };

std::atomic<int> g_state[kSlots];
char g_names[kSlots][PATH_MAX];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free state");

sigset_t RemovingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kSignals)
    sigaddset(&set, signal);
  return set;
}

void RemovePendingAndEnd(int signal) {
  for (int slot = 0; slot < kSlots; ++slot) {
    int state;
    // Another thread is between creating its file and saying so: without the wait the
    // file would be left behind. It holds these signals, so it is not this thread.
    while ((state = g_state[slot].load()) == kFilling || state == kCreating) {
    }
    if (state == kPending)
      unlink(g_names[slot]);
  }
  // The signal is held while its handler runs: the default action ends the process as
  // soon as the handler returns, and whoever waits for it sees which signal it was.
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

int ReservePendingOutput(const std::string& path) {
  if (path.size() >= PATH_MAX)
    return -1;
  for (int slot = 0; slot < kSlots; ++slot) {
    int expected = kFree;
    if (!g_state[slot].compare_exchange_strong(expected, kFilling))
      continue;
    std::memcpy(g_names[slot], path.c_str(), path.size() + 1);
    g_state[slot].store(kCreating);
    return slot;
  }
  return -1;
}

void ConfirmPendingOutput(int slot) {
  if (slot >= 0 && slot < kSlots)
    g_state[slot].store(kPending);
}

void DropPendingOutput(int slot) {
  if (slot >= 0 && slot < kSlots)
    g_state[slot].store(kFree);
}

CHeldSignals::CHeldSignals() {
  sigset_t held = RemovingSignals();
  pthread_sigmask(SIG_BLOCK, &held, &m_saved);
}

CHeldSignals::~CHeldSignals() {
  pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
}

void RemovePendingOutputsOnSignals() {
  struct sigaction action {};
  action.sa_handler = RemovePendingAndEnd;
  action.sa_mask = RemovingSignals();  // one removal at a time
  for (int signal : kSignals) {
    struct sigaction previous {};
    // An ignored signal stays ignored: under nohup a hang-up must not end the program.
    if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
      continue;
    sigaction(signal, &action, nullptr);
  }
}

void IgnoreFileSizeSignal() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &action, nullptr);
}
