#pragma once
// Runs a check as an unprivileged user: the tests may run as root, for whom
// file permissions do not count.

#include <unistd.h>

#include <functional>
#include <string>

#include "ChildProcess.h"

namespace sheetwise::test {

// The text read() gives, computed in a child process as the user "nobody"
// when this process is root, or here otherwise.
inline std::string AsUnprivileged(const std::function<std::string()>& read) {
  if (::geteuid() != 0) return read();
  return InChildProcess([&] {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) return std::string("cannot drop privileges");
    return read();
  });
}

}  // namespace sheetwise::test
