#include "platform/core/DescriptorName.h"

#include <unistd.h>

int DescriptorNamed(std::string_view path) {
  if (path == "/dev/stdin")
    return STDIN_FILENO;
  if (path == "/dev/stdout")
    return STDOUT_FILENO;
  if (path == "/dev/stderr")
    return STDERR_FILENO;
  std::string_view number;
  for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (path.size() > prefix.size() && path.substr(0, prefix.size()) == prefix)
      number = path.substr(prefix.size());
  }
  if (number.empty() || number.size() > 9)
    return -1;
  int fd = 0;
  for (char digit : number) {
    if (digit < '0' || digit > '9')
      return -1;
    fd = fd * 10 + (digit - '0');
  }
  return fd;
}
