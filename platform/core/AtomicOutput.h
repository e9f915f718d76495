// CAtomicOutput: writes a document so that the user's earlier file is either replaced by
// the whole new one or left exactly as it was; a cut document never appears under the
// user's name.
//
// A regular file (existing or not, named directly or through symbolic links) is written
// to a new hidden file beside the final target, ".<name>.<random>.tmp" in the folder of
// the link's resolved target, and renamed over the target only by Commit: a link stays a
// link, and the rename is atomic because both names are in one folder. The new file gets
// the existing file's owner and group (as far as the system allows), mode and extended
// attributes (ACLs among them), or 0666 less the umask. No fsync: like `sed -i` and
// `sort -o`, a power cut may cost the new document but never leaves a cut one in the
// target's place. After SIGKILL only the hidden file can remain; SIGINT, SIGTERM and
// SIGHUP remove it once RemovePendingOutputsOnSignals is on, and the next output to the
// same target removes those that no process holds.
//
// Links are followed as the kernel follows them for the user's own open: in a sticky
// world-writable folder (/tmp) only a link of the user or of the folder's owner.
//
// An existing file that a rename can't replace without loss is written in place once the
// whole document is ready aside (beside it, or in the temporary folder): one with other
// hard links, one in a folder the user may not write, and a mount point. Up to the copy
// the target is as it was. Another user's file in a sticky folder is refused at Open.
//
// Anything else is written in place and never renamed or removed: a device (/dev/null,
// /dev/full, a terminal), a FIFO, and the names of descriptors the process already has
// (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N), which are duplicated so that a
// shell's '>>' keeps appending and a file the shell opened is written, not replaced.
//
// The output may not be the source: the same device and inode, whatever path, symbolic
// link or hard link reaches it, is refused before anything is created. A terminal or a
// socket is the exception: reading one and writing it back loses nothing. An existing
// file that the user may not write is refused ("Permission denied").
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/core/CString.h"
#include "platform/core/File.h"
#include "platform/core/Types.h"

class CAtomicOutput {
 public:
  CAtomicOutput() = default;
  // Discards an output that was not committed; never throws.
  ~CAtomicOutput();
  CAtomicOutput(const CAtomicOutput&) = delete;
  CAtomicOutput& operator=(const CAtomicOutput&) = delete;

  // Prepares to write path. source (may be null) is the status of the file being read;
  // an output that is the same file is refused. On failure nothing is created and error
  // names path and the reason ("Permission denied", "is the source file").
  BOOL Open(LPCWSTR path, const struct stat* source, CFileException* error = nullptr);
  // From the next Open on, only a regular file (new or existing) is written: a device, a
  // FIFO, a socket or a descriptor's name is refused with its reason ("is a FIFO") before
  // anything is opened, so that nothing can block the caller (a window must not wait for
  // a FIFO's reader or write into its own display connection).
  void AcceptRegularFilesOnly(bool only = true) { m_regularOnly = only; }
  // Where the document is written; errors name the user's path.
  CFile& File() { return m_file; }
  // Writes what is buffered, closes, and puts the new file in the target's place. On any
  // failure the new file is removed, the target is as it was, and CFileException naming
  // the user's path is thrown.
  void Commit();
  // Drops what was written: the new file is removed and the target is untouched. An
  // output written in place is only closed, what is still buffered dropped (a full pipe
  // cannot hold it up). Never throws.
  void Discard();
  // True for an output written in place (a device, a FIFO, a descriptor's name).
  bool IsInPlace() const { return m_inPlace; }
  // True once Commit has copied the whole document over a regular file that could not be
  // replaced: one with other hard links, in a folder the user may not write, or a mount
  // point.
  bool CopiedInPlace() const { return m_copiedInPlace; }

 private:
  BOOL RefuseNotRegular(const struct stat& info, CFileException* error) const;
  BOOL OpenDuplicate(int descriptor, const struct stat* source, CFileException* error);
  BOOL OpenInPlace(const std::string& path, const struct stat* source, CFileException* error);
  BOOL OpenReplacement(const std::string& target, const struct stat* existing,
                       const struct stat* source, CFileException* error);
  BOOL AdoptInPlace(int fd, const struct stat* source, CFileException* error);
  BOOL OpenTargetInPlace(const std::string& target, const struct stat& existing,
                         CFileException* error);
  void CloseTarget();
  BOOL Fail(int osError, CFileException* error) const;
  void RemoveHiddenFile(bool unlinkIt = true);

  CFile m_file;
  CString m_userPath;
  std::string m_hiddenPath;  // empty when no hidden file exists
  std::string m_targetPath;  // the resolved target the hidden file replaces
  int m_pendingSlot = -1;
  int m_lockFd = -1;    // holds the hidden file's lock until it is renamed or removed
  int m_targetFd = -1;  // the target, when the document is to be copied over it
  bool m_inPlace = false;
  bool m_copiedInPlace = false;
  bool m_regularOnly = false;
};

// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove the hidden file of every
// output that is open and not committed, then end the process by the same signal. A
// signal that is ignored (nohup) stays ignored. The handlers only call unlink, signal and
// raise.
void RemovePendingOutputsOnSignals();

// Ignores SIGXFSZ, which a write past the file size limit (ulimit -f) raises and whose
// default action ends the process at once, leaving the hidden file: ignored, the write
// fails with EFBIG ("File too large"), reported and cleaned up like any failed write.
void IgnoreFileSizeSignal();
