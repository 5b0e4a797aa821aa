#pragma once
// Runs a check as an unprivileged user: the tests may run as root, for whom
// file permissions do not count.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace sheetwise::test {

// The text read() gives, computed in a child process as the user "nobody"
// when this process is root, or here otherwise.
inline std::string AsUnprivileged(const std::function<std::string()>& read) {
  if (::geteuid() != 0) return read();
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::string text = "cannot drop privileges";
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) text = read();
    (void)!::write(channel[1], text.data(), text.size());
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  ::close(channel[0]);
  ::waitpid(child, nullptr, 0);
  return text;
}

}  // namespace sheetwise::test
