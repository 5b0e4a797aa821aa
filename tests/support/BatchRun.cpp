#include "BatchRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "TestPaths.h"
#include "cli/BatchCommand.h"
#include "host/OfficeProcess.h"
#include "host/ProcFs.h"
#include "host/SafeStore.h"

namespace sheetwise::test {
namespace fs = std::filesystem;

std::string CopyExample(const TempDir& dir, const std::string& name) {
  fs::create_directories((dir.path() / name).parent_path());
  fs::copy_file(fs::path(SHEETWISE_SOURCE_DIR) / "examples/workbooks/华东/门店B.xls", dir.path() / name,
                fs::copy_options::overwrite_existing);
  return dir / name;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::vector<std::string> Plus(std::vector<std::string> args, const std::vector<std::string>& extra) {
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

BatchResult RunBatch(const std::vector<std::string>& args, const host::HostOptions& options) {
  std::ostringstream out;
  std::ostringstream err;
  std::atomic<bool> interrupted{false};
  const int status = batch::RunBatchCommand(args, {out, err, false}, interrupted, options);
  return {status, out.str(), err.str()};
}

BatchProgram StartProgram(const std::string& binary, const std::vector<std::string>& args, bool keepOutput) {
  std::vector<std::string> all = {binary};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int out[2] = {-1, -1};
  if (keepOutput && ::pipe2(out, O_CLOEXEC) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(keepOutput ? out[1] : null, STDOUT_FILENO);
    ::dup2(keepOutput ? out[1] : null, STDERR_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (keepOutput) ::close(out[1]);
  return {pid, out[0]};
}

std::string ReadOutput(BatchProgram& program) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(program.outFd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  ::close(program.outFd);
  program.outFd = -1;
  return text;
}

int WaitForExit(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int OfficesOf(pid_t pid) {
  const std::string pipe = "pipe,name=" + std::string(host::kPipeNamePrefix) + std::to_string(pid) + "-";
  int count = 0;
  for (const auto& process : host::ListProcesses()) {
    for (const auto& arg : process.arguments) {
      if (arg.find(pipe) != std::string::npos) ++count;
    }
  }
  return count;
}

int OfficesLeftAfterExit(pid_t pid) {
  for (int i = 0; i < 40 && OfficesOf(pid) > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return OfficesOf(pid);
}

void LeaveAbandonedSaveFolder(const fs::path& folder) {
  const pid_t child = ::fork();
  if (child == 0) {
    host::StoreReplacing(folder / "killed.xls", [](const fs::path& temp) {
      std::ofstream(temp) << "half a workbook";
      ::raise(SIGKILL);
    });
    ::_exit(0);
  }
  WaitForExit(child);
}

std::vector<std::string> HiddenSaveFolders(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with(host::kStoreFolderPrefix)) found.push_back(entry.path());
  }
  return found;
}

void WaitForFiles(const fs::path& folder, size_t count) {
  for (int i = 0; i < 1200; ++i) {
    size_t files = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      files += it->is_regular_file(ec) ? 1 : 0;
    }
    if (files >= count) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace sheetwise::test
