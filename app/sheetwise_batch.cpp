// sheetwise-batch: the rule list applied to a folder tree from the command line.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "cli/BatchCommand.h"
#include "cli/ExitStatus.h"
#include "host/LibraryWarnings.h"
#include "host/Translate.h"

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal{SIGINT};  // the first that came

// Ctrl-C, SIGTERM and SIGHUP let the workbooks in progress finish; a second
// one ends at once (the office processes end with the program regardless).
void OnInterrupt(int signal) {
  if (g_interrupted.exchange(true)) ::_exit(sheetwise::batch::InterruptedStatus(g_signal));
  g_signal = signal;
}

}  // namespace

int main(int argc, char** argv) {
  // Messages follow the user's locale; numbers are read and written without it.
  sheetwise::UseUserLocale();
  // The file readers' own warnings never reach the terminal.
  sheetwise::host::QuietLibraryWarnings();
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
  // A reader that goes away, or an office that dies mid-call, makes writes
  // fail instead of ending the program; a closed output stops the run.
  ::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = sheetwise::batch::RunBatchCommand(args, {std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1},
                                                       g_interrupted);
  // SIGTERM, as a scheduler stops a task, is told apart from Ctrl-C.
  return status == sheetwise::batch::kExitInterrupted ? sheetwise::batch::InterruptedStatus(g_signal) : status;
}
