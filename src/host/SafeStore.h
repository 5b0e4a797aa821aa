#pragma once
// Writing a file so that its target is either the old file or the whole new one.

#include <filesystem>
#include <functional>

namespace sheetwise::host {

// Calls write(tempPath) for a path inside a hidden folder made beside target,
// then renames the written file over target and removes the folder. The folder
// goes on every path out, so nothing of a failed write stays beside the target.
// beforeRename, when given, sees the written file just before the rename; an
// exception from it leaves the target untouched.
// Throws HostError when the target's folder is missing or cannot be written.
void StoreReplacing(const std::filesystem::path& target,
                    const std::function<void(const std::filesystem::path&)>& write,
                    const std::function<void(const std::filesystem::path&)>& beforeRename = {});

// Hidden folders of StoreReplacing start with this.
inline constexpr const char* kStoreFolderPrefix = ".sheetwise-saving-";

}  // namespace sheetwise::host
