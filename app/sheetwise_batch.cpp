// sheetwise-batch: the rule list applied to a folder tree from the command line.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "batch/BatchCommand.h"
#include "host/Translate.h"

namespace {

std::atomic<bool> g_interrupted{false};

// Ctrl-C lets the workbooks in progress finish; a second one ends at once.
void OnInterrupt(int) {
  if (g_interrupted.exchange(true)) ::_exit(130);
}

}  // namespace

int main(int argc, char** argv) {
  // Messages follow the user's locale; numbers are read and written without it.
  sheetwise::UseUserLocale();
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return sheetwise::batch::RunBatchCommand(args, {std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1},
                                           g_interrupted);
}
