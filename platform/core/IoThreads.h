// What the threads that read a source ahead and write an output behind share: whether
// they may be started at all, and which signals they leave to the thread that starts them.
#pragma once

#include <signal.h>

// Whether reads and writes begun on this thread may use threads of their own: not while
// an IoOnThisThread lives on it, nor when the environment variable CORVANE_IO_THREADS is
// "0", which keeps every read and write on the thread of the conversion (to measure the
// gain, or to rule the threads out).
bool IoThreadsWanted();

// Keeps the reads and writes begun on this thread, while it lives, on this thread: a
// conversion given one thread takes no more, so that a busy machine or several conversions
// at once get no threads beyond those asked for. hold false changes nothing.
class IoOnThisThread {
 public:
  explicit IoOnThisThread(bool hold = true);
  ~IoOnThisThread();
  IoOnThisThread(const IoOnThisThread&) = delete;
  IoOnThisThread& operator=(const IoOnThisThread&) = delete;

 private:
  bool m_saved;
};

// Held while a thread is started, so that it starts with them held: it takes no signal
// sent to the process. Their handlers (the command line's removal of the hidden output)
// then run on the thread that opened the output, whose held signals cover the moments
// when a handler would see half a change. The signals that a read or write itself raises
// (SIGPIPE, SIGXFSZ) and faults stay with the thread that causes them.
class SignalsHeldForNewThread {
 public:
  SignalsHeldForNewThread();
  ~SignalsHeldForNewThread();
  SignalsHeldForNewThread(const SignalsHeldForNewThread&) = delete;
  SignalsHeldForNewThread& operator=(const SignalsHeldForNewThread&) = delete;

 private:
  sigset_t m_saved;
};
