#include "batch/ErrorLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "rules/TextBetween.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

namespace {

std::string FileEntry(std::string_view kind, const std::string& path) {
  return std::string(kind) + std::string(kFileStart) + path + std::string(kFileEnd);
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, so that a failure reported by close is seen.
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

// Appends text to the file (made if missing); the reason for a failure, or nothing.
std::optional<std::string> AppendToFile(const fs::path& file, std::string_view text) {
  Descriptor fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (fd.get() < 0) return std::strerror(errno);
  while (!text.empty()) {
    const ssize_t written = ::write(fd.get(), text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? std::strerror(errno) : "nothing written";
    text.remove_prefix(static_cast<size_t>(written));
  }
  if (!fd.close()) return std::strerror(errno);
  return std::nullopt;
}

}  // namespace

namespace {
constexpr std::string_view kVetoText = "触发否决条件：";
}  // namespace

std::string VetoEntry(const std::string& path) { return FileEntry(kVetoText, path); }

bool IsVetoEntry(const std::string& entry) { return entry.rfind(kVetoText, 0) == 0; }

std::string ProcessingErrorEntry(const std::string& path) { return "处理异常：" + path; }

std::string RuleFailureEntry(const std::string& path) { return FileEntry("表头不匹配处理失败：", path); }

ErrorLog::ErrorLog(ui::Form1& form, host::Clock& clock, fs::path logFile)
    : form_(form), clock_(clock), logFile_(std::move(logFile)) {}

void ErrorLog::setlog(const std::string& entry) {
  form_.List4.items.push_back(entry);
  const std::string line = host::DateTimeText(clock_.now()) + entry + "\r\n";
  if (auto reason = AppendToFile(logFile_, line)) recordWriteFailure(*reason);
}

void ErrorLog::recordWriteFailure(const std::string& reason) {
  if (failure_) return;
  std::error_code ec;
  fs::path shown = fs::absolute(logFile_, ec);
  if (ec) shown = logFile_;
  failure_ = "无法写入错误日志 " + shown.string() + "：" + reason;
}

void ErrorLog::startRun() {
  failure_.reset();
  noticeGiven_ = false;
}

std::optional<std::string> ErrorLog::takeWriteFailureNotice() {
  if (!failure_ || noticeGiven_) return std::nullopt;
  noticeGiven_ = true;
  return failure_;
}

void OpenLoggedFile(const ui::Form1& form, host::FileOpener& opener) {
  const auto& list = form.List4;
  if (list.selection < 0 || static_cast<size_t>(list.selection) >= list.items.size()) return;
  const std::string path = rules::TextBetween(list.items[static_cast<size_t>(list.selection)], kFileStart, kFileEnd);
  if (!path.empty()) opener.open(path);
}

}  // namespace sheetwise::batch
