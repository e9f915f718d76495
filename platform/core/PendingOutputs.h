// The hidden files of outputs that are being written and not yet committed, kept where a
// signal handler can reach them: a fixed table of preformatted names, so that the handler
// only reads memory and calls unlink(2). A name is added as its file is created and dropped
// once the file is renamed or removed.
#pragma once

#include <signal.h>

#include <string>

// Records path before its file is created, with the signals held (CHeldSignals); returns
// its slot, or -1 when the table is full or the name too long (the file is then left
// behind by a signal, as by SIGKILL). Confirm once the file exists, or Drop when its
// creation failed: a signal handled meanwhile on another thread waits for either, so that
// a file is never created after its name was looked at.
int ReservePendingOutput(const std::string& path);
void ConfirmPendingOutput(int slot);
// Forgets a slot that ReservePendingOutput returned; -1 is ignored.
void DropPendingOutput(int slot);

// Holds back the signals that remove pending outputs for the lifetime of the object, so
// that a file is never created without its name being recorded.
class CHeldSignals {
 public:
  CHeldSignals();
  ~CHeldSignals();
  CHeldSignals(const CHeldSignals&) = delete;
  CHeldSignals& operator=(const CHeldSignals&) = delete;

 private:
  sigset_t m_saved;
};
