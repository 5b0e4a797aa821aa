#include "host/SafeStore.h"

#include <stdlib.h>

#include <cerrno>
#include <system_error>

#include "host/FailureReason.h"
#include "host/HostError.h"
#include "host/Translate.h"

namespace sheetwise::host {
namespace fs = std::filesystem;

namespace {

// A failed write is put down to a full disk when this much more cannot be written.
constexpr std::uintmax_t kRoomForAWorkbook = 64 * 1024;

// Removes the hidden folder and whatever the writer left in it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const fs::path& parent) {
    std::string pattern = (parent / (std::string(kStoreFolderPrefix) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw HostError(ReasonForError(errno, FileAction::WriteFolder, parent.string()));
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// What keeps target from being written, found before anything is written.
void CheckTarget(const fs::path& target) {
  const fs::path folder = target.parent_path();
  if (const auto reason = NameTooLongReason(target)) throw HostError(*reason);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    throw HostError(ReasonForError(ec ? ec.value() : ENOENT, FileAction::OpenFolder, folder.string()));
  }
  if (fs::is_directory(target, ec)) throw HostError(ReasonForError(EISDIR, FileAction::ReplaceFile, target.string()));
  if (const auto reason = InUseReason(target)) throw HostError(*reason);
}

// The writer's own failure, or the full disk that caused it.
void Write(const fs::path& temp, const fs::path& folder,
           const std::function<void(const fs::path&)>& write) {
  try {
    write(temp);
  } catch (const HostError&) {
    if (const auto full = DiskFullReason(folder, temp.parent_path(), kRoomForAWorkbook)) throw HostError(*full);
    throw;
  }
  std::error_code ec;
  if (!fs::is_regular_file(temp, ec)) {
    if (const auto full = DiskFullReason(folder, temp.parent_path(), kRoomForAWorkbook)) throw HostError(*full);
    throw HostError(Tr("the office wrote nothing for %s", {temp.string()}));
  }
}

}  // namespace

void StoreReplacing(const fs::path& target, const std::function<void(const fs::path&)>& write) {
  const fs::path absolute = fs::absolute(target);
  const fs::path folder = absolute.parent_path();
  CheckTarget(absolute);

  ScratchFolder scratch(folder);
  // A short name inside the hidden folder: the office adds its own lock and
  // temporary files beside what it writes, with longer names than the target's.
  const fs::path temp = scratch.path() / "workbook.xls";
  Write(temp, folder, write);
  std::error_code ec;
  // Keep the permissions of a file that is replaced.
  const auto status = fs::status(absolute, ec);
  if (!ec && fs::exists(status)) fs::permissions(temp, status.permissions(), ec);
  fs::rename(temp, absolute, ec);
  if (ec) throw HostError(ReasonForError(ec.value(), FileAction::ReplaceFile, absolute.string()));
}

}  // namespace sheetwise::host
