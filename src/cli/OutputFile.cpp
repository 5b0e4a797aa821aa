#include "cli/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "host/FailureReason.h"
#include "host/ShownText.h"
#include "host/Translate.h"

namespace sheetwise::batch {

OutputFile::OutputFile(const std::filesystem::path& path)
    : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
  if (!fd_) throw std::runtime_error(host::ReasonForError(errno, host::FileAction::ReplaceFile, path.string()));
}

OutputFile::OutputFile(const std::filesystem::path& path, std::uintmax_t keptBytes)
    : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644)),
      length_(static_cast<off_t>(keptBytes)) {
  if (!fd_ || ::ftruncate(fd_.get(), length_) != 0 || ::lseek(fd_.get(), length_, SEEK_SET) < 0) {
    throw std::runtime_error(host::ReasonForError(errno, host::FileAction::WriteFile, path.string()));
  }
}

bool OutputFile::write(std::string_view piece) {
  if (failure_) return false;
  for (std::string_view rest = piece; !rest.empty();) {
    const ssize_t written = ::write(fd_.get(), rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      fail(written < 0 ? errno : ENOSPC);
      return false;
    }
    rest.remove_prefix(static_cast<size_t>(written));
  }
  // Written into a file that is no longer in any folder, the rows would be lost.
  struct stat info {};
  if (::fstat(fd_.get(), &info) == 0 && info.st_nlink == 0) {
    failure_ = Tr("%s was removed while the run wrote it", {host::ShownText(path_.string())});
    return false;
  }
  length_ += static_cast<off_t>(piece.size());
  return true;
}

void OutputFile::close() {
  if (fd_ && !fd_.close() && !failure_) fail(errno);
}

void OutputFile::fail(int error) {
  // A piece written in part is taken back: what was written before stays whole.
  if (fd_) (void)!::ftruncate(fd_.get(), length_);
  failure_ = host::ReasonForError(error, host::FileAction::WriteFile, host::ShownText(path_.string()));
  diskFull_ = error == ENOSPC || error == EDQUOT;
}

}  // namespace sheetwise::batch
