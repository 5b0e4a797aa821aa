#pragma once
// Writing a file so that its target is either the old file or the whole new one.

#include <sys/types.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace sheetwise::host {

// What a file was at one moment: the same file, with the same size and time
// of last change, is taken to be unchanged.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool operator==(const FileIdentity& other) const;
};

// The identity of the file at path, links followed; none when it cannot be read.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

// Calls write(tempPath) for a path inside a hidden folder made beside target,
// then renames the written file over target and removes the folder (or keeps
// it for the thread's next save, see SaveFolderReuse). The folder goes on every
// path out of a failed write, so nothing of it stays beside the target.
// A replaced file keeps its mode and, where this user may set them, its owner,
// group and extended attributes. Throws HostError when the target's folder is missing or cannot be
// written.
// check, when given, sees the written file before it replaces the target; an
// exception from it leaves the target untouched.
// extension: the written format's (".xls", ".xlsx", ...), for the file inside the hidden folder.
void StoreReplacing(const std::filesystem::path& target,
                    const std::function<void(const std::filesystem::path&)>& write,
                    const std::function<void(const std::filesystem::path&)>& check = {},
                    const std::string& extension = ".xls");

// Whether a workbook saved in place must keep its owner, or may become the
// saving user's while it keeps its group, mode, attributes and access control
// lists (a shared volume whose files another user owns, group-writable).
enum class OwnerRule { Keep, MayChange };

// Saving in place over the file that was loaded, whose identity was taken
// before loading: a link is followed and its target replaced (the link stays).
// Throws HostError, writing nothing, when the file is read-only (no write
// permission bit, whoever runs this), has other hard links (replacing it would
// part them from the new content), changed since it was loaded, or would not
// keep its owner (unless owner allows it) and group or its extended attributes
// and access control lists.
void StoreInPlace(const std::filesystem::path& source, const std::optional<FileIdentity>& loaded,
                  const std::function<void(const std::filesystem::path&)>& write,
                  const std::function<void(const std::filesystem::path&)>& check = {},
                  const std::string& extension = ".xls", OwnerRule owner = OwnerRule::Keep);

// Hidden folders of StoreReplacing start with this. Each is locked by the
// process writing in it and holds a marker file of the program's own; one
// whose writer has gone (a killed run) is removed by the next save into the
// same folder. A folder of that name without the marker is removed only when
// empty (its writer was killed before it wrote the marker).
inline constexpr const char* kStoreFolderPrefix = ".sheetwise-saving-";
inline constexpr const char* kStoreFolderMarker = ".sheetwise-saving";

// While one lives on a thread, the hidden folder of that thread's last save
// is kept, locked, for its next save into the same folder, instead of being
// made and removed for every save: a batch worker saves many workbooks into
// each folder. A save that fails still removes its folder; the last one kept
// goes with the last SaveFolderReuse of the thread, or its next save elsewhere.
class SaveFolderReuse {
 public:
  SaveFolderReuse();
  ~SaveFolderReuse();
  SaveFolderReuse(const SaveFolderReuse&) = delete;
  SaveFolderReuse& operator=(const SaveFolderReuse&) = delete;
};

// Removes the hidden saving folders in folder whose writer has gone.
void RemoveAbandonedSaveFolders(const std::filesystem::path& folder);

}  // namespace sheetwise::host
