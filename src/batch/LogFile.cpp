#include "batch/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "host/FailureReason.h"
#include "host/FileDescriptor.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;
namespace {

// Appends text to the file (made if missing); the error number of a failure, or nothing.
std::optional<int> AppendToFile(const fs::path& file, std::string_view text) {
  host::FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (fd.get() < 0) return errno;
  while (!text.empty()) {
    const ssize_t written = ::write(fd.get(), text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : ENOSPC;
    text.remove_prefix(static_cast<size_t>(written));
  }
  if (!fd.close()) return errno;
  return std::nullopt;
}

}  // namespace

std::string LogFile::append(const std::string& entry) {
  std::string when = host::DateTimeText(clock_.now());
  if (const auto error = AppendToFile(file_, when + entry + "\r\n")) recordWriteFailure(*error);
  return when;
}

void LogFile::recordWriteFailure(int error) {
  if (failure_) return;
  diskFull_ = error == ENOSPC || error == EDQUOT;
  std::error_code ec;
  fs::path shown = fs::absolute(file_, ec);
  if (ec) shown = file_;
  failure_ = Tr("the error log cannot be written: %s",
                {host::ReasonForError(error, host::FileAction::WriteFile, shown.string())});
}

void LogFile::startRun() {
  failure_.reset();
  noticeGiven_ = false;
  diskFull_ = false;
}

std::optional<std::string> LogFile::takeWriteFailureNotice() {
  if (!failure_ || noticeGiven_) return std::nullopt;
  noticeGiven_ = true;
  return failure_;
}

}  // namespace sheetwise::batch
