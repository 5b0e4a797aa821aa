#pragma once
// Running the batch command in the tests: in this process, or as its own
// program (for signals, pipes and several runs at once).

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/LibreOfficeHost.h"

namespace sheetwise::test {

class TempDir;

// The example workbook (its header "日期" in A1) copied to dir/name, folders made; its path.
std::string CopyExample(const TempDir& dir, const std::string& name);
// The lines of a text, without their line ends.
std::vector<std::string> SplitLines(const std::string& text);
// How often part occurs in text.
size_t CountOf(const std::string& text, const std::string& part);
// The arguments args followed by extra.
std::vector<std::string> Plus(std::vector<std::string> args, const std::vector<std::string>& extra);

struct BatchResult {
  int status;
  std::string out;
  std::string err;
};

// The command in this process, with its streams captured (and the office's options).
BatchResult RunBatch(const std::vector<std::string>& args, const host::HostOptions& options = {});

// A program (the batch program, the office's converter) started with args; its
// standard output and errors go to one pipe whose read end is outFd (as
// "2>&1 |"), or to /dev/null when keepOutput is false.
struct BatchProgram {
  pid_t pid = 0;
  int outFd = -1;
};
BatchProgram StartProgram(const std::string& binary, const std::vector<std::string>& args, bool keepOutput);
// What the program writes until it closes its output; closes outFd.
std::string ReadOutput(BatchProgram& program);
// The program's exit status (128 + the signal when a signal ended it).
int WaitForExit(pid_t pid);

// Office processes started by the batch program pid that are still running.
int OfficesOf(pid_t pid);
// Waits up to two seconds for them to end; their count then.
int OfficesLeftAfterExit(pid_t pid);

// What a run killed while it saved into folder leaves there: its hidden saving
// folder, with what it had written (made by a process that is killed so).
void LeaveAbandonedSaveFolder(const std::filesystem::path& folder);

// Hidden saving folders anywhere below folder.
std::vector<std::string> HiddenSaveFolders(const std::filesystem::path& folder);

// Waits until count files exist directly in folder (up to a minute).
void WaitForFiles(const std::filesystem::path& folder, size_t count);

}  // namespace sheetwise::test
