#include "platform/core/IoThreads.h"

#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

thread_local bool t_ioOnThisThread = false;

}  // namespace

bool IoThreadsWanted() {
  if (t_ioOnThisThread)
    return false;
  const char* threads = std::getenv("CORVANE_IO_THREADS");
  return !threads || std::strcmp(threads, "0") != 0;
}

IoOnThisThread::IoOnThisThread(bool hold) : m_saved(t_ioOnThisThread) {
  t_ioOnThisThread = m_saved || hold;
}

IoOnThisThread::~IoOnThisThread() {
  t_ioOnThisThread = m_saved;
}

SignalsHeldForNewThread::SignalsHeldForNewThread() {
  sigset_t held;
  sigfillset(&held);
  for (int own : {SIGPIPE, SIGXFSZ, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT})
    sigdelset(&held, own);
  pthread_sigmask(SIG_BLOCK, &held, &m_saved);
}

SignalsHeldForNewThread::~SignalsHeldForNewThread() {
  pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
}
