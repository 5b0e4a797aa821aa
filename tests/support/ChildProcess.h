#pragma once
// Runs a check in a child process (to drop privileges, or to change what only
// that process sees) and brings back the text it computed.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace sheetwise::test {

// The text compute() gives in a forked child of this process.
inline std::string InChildProcess(const std::function<std::string()>& compute) {
  int channel[2];
  if (::pipe(channel) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    const std::string text = compute();
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
