#include "batch/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "host/FileDescriptor.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;
namespace {

// Appends text to the file (made if missing); the reason for a failure, or nothing.
std::optional<std::string> AppendToFile(const fs::path& file, std::string_view text) {
  host::FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
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

void LogFile::append(const std::string& entry) {
  const std::string line = host::DateTimeText(clock_.now()) + entry + "\r\n";
  if (auto reason = AppendToFile(file_, line)) recordWriteFailure(*reason);
}

void LogFile::recordWriteFailure(const std::string& reason) {
  if (failure_) return;
  std::error_code ec;
  fs::path shown = fs::absolute(file_, ec);
  if (ec) shown = file_;
  failure_ = "无法写入错误日志 " + shown.string() + "：" + reason;
}

void LogFile::startRun() {
  failure_.reset();
  noticeGiven_ = false;
}

std::optional<std::string> LogFile::takeWriteFailureNotice() {
  if (!failure_ || noticeGiven_) return std::nullopt;
  noticeGiven_ = true;
  return failure_;
}

}  // namespace sheetwise::batch
