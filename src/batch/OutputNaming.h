#pragma once
// Where a processed workbook is saved: the source path moved from the source
// folder to the save folder, with the file-name and path rules applied.

#include <optional>
#include <string>
#include <vector>

#include "batch/RunSettings.h"

namespace sheetwise::batch {

// The save path for sourcePath ("/" separated): source folder -> save folder,
// the file-name replacement, the name prefix, then the path replacement.
std::string BuildOutputPath(const NamingRules& naming, const std::string& sourcePath);

// The save-tree folder of a scanned folder: source folder -> save folder, then
// the path replacement.
std::string MirroredFolder(const NamingRules& naming, const std::string& folder);

// Creates the mirrored folder of every scanned folder, parents first. Folders
// that exist or cannot be made are passed over.
void MakeMirroredFolders(const NamingRules& naming, const std::vector<std::string>& folders);

// What the start checks refuse in the save settings, with the window's text:
// an empty save folder, or a path-replacement text that occurs in it.
std::optional<std::string> SaveSettingsProblem(const NamingRules& naming);

// The run's file-name prefix: text with every "日期" replaced by date (yyyy-MM-dd).
std::string MakeNamePrefix(const std::string& text, const std::string& date);

}  // namespace sheetwise::batch
