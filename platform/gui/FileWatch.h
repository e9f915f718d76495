// Follows one file on disk through GLib's file monitor (inotify on Linux): the callback
// runs on the main loop once a write has ended, or when the file is replaced, removed or
// made again, so that a page made from it can follow without a poll.
#pragma once

#include <functional>

#include "platform/core/CString.h"

typedef struct _GFileMonitor GFileMonitor;

class CFileWatch {
 public:
  CFileWatch() = default;
  ~CFileWatch();
  CFileWatch(const CFileWatch&) = delete;
  CFileWatch& operator=(const CFileWatch&) = delete;

  // Follows path (its bytes as the file system has them) from now on, in place of the file
  // followed before; an empty path follows nothing. The same path again changes nothing.
  void Watch(const CString& path, std::function<void()> onChange);

 private:
  void Stop();
  static void OnChanged(GFileMonitor*, void*, void*, int event, void* self);

  CString m_path;
  GFileMonitor* m_monitor = nullptr;
  std::function<void()> m_onChange;
};
