#include "platform/gui/FileWatch.h"

#include <gio/gio.h>

CFileWatch::~CFileWatch() {
  Stop();
}

void CFileWatch::Stop() {
  if (m_monitor != nullptr) {
    g_signal_handlers_disconnect_by_data(m_monitor, this);
    g_file_monitor_cancel(m_monitor);
    g_object_unref(m_monitor);
    m_monitor = nullptr;
  }
  m_path.Empty();
}

void CFileWatch::Watch(const CString& path, std::function<void()> onChange) {
  m_onChange = std::move(onChange);
  if (path == m_path && (m_monitor != nullptr || path.IsEmpty())) {
    return;
  }
  Stop();
  if (path.IsEmpty()) {
    return;
  }
  GFile* file = g_file_new_for_path(path.ToUtf8().c_str());
  // A file that cannot be followed (a file system without notifications) is previewed as
  // before, only not again when it changes.
  m_monitor = g_file_monitor_file(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
  g_object_unref(file);
  if (m_monitor == nullptr) {
    return;
  }
  m_path = path;
  g_signal_connect(m_monitor, "changed", G_CALLBACK(OnChanged), this);
}

void CFileWatch::OnChanged(GFileMonitor*, void*, void*, int event, void* self) {
  auto* watch = static_cast<CFileWatch*>(self);
  switch (event) {
    // A write in progress says CHANGED many times, then CHANGES_DONE_HINT once it is closed.
    case G_FILE_MONITOR_EVENT_CHANGES_DONE_HINT:
    case G_FILE_MONITOR_EVENT_DELETED:
    case G_FILE_MONITOR_EVENT_CREATED:
    case G_FILE_MONITOR_EVENT_RENAMED:
    case G_FILE_MONITOR_EVENT_MOVED_IN:
    case G_FILE_MONITOR_EVENT_MOVED_OUT:
      if (watch->m_onChange) {
        watch->m_onChange();
      }
      break;
    default:
      break;
  }
}
