// Reading a small file whole: a settings store, a preview's rows. Through the SysCalls
// seam, so that tests can fail the reads.
#pragma once

#include <cstddef>
#include <string>

enum class SmallFileStatus {
  kRead,
  kMissing,     // nothing by that name, or a file where a folder of the path should be
  kNotRegular,  // a folder, a FIFO (opened without waiting for a writer) or a device
  kTooLarge,    // more than the bytes asked for at most: keeps a stray file from filling memory
  kFailed,      // osError says why
};

struct SmallFileRead {
  SmallFileStatus status = SmallFileStatus::kRead;
  int osError = 0;  // the system's reason, for every status but kRead
};

// Reads the file at path into bytes (replacing what they held).
SmallFileRead ReadSmallFile(const std::string& path, std::size_t maxBytes, std::string& bytes);
