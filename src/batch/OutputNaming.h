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

// The copy's file name before the path replacement: the file-name replacement
// in name, then the prefix before it.
std::string OutputFileName(const NamingRules& naming, std::string name);

// The save-tree folder of a scanned folder: source folder -> save folder, then
// the path replacement.
std::string MirroredFolder(const NamingRules& naming, const std::string& folder);

// Creates the mirrored folders on the way to the copy of sourcePath, parents
// first: those of the source folder and of each folder below it down to the
// source's own. Called just before a copy is written, so a folder is made
// only when a file goes into it. Folders that exist are passed over; one that
// cannot be made throws host::HostError with the reason.
void MakeMirroredFoldersFor(const NamingRules& naming, const std::string& sourcePath);

// What the start checks refuse in the save settings, with the window's text:
// an empty save folder, or a path-replacement text that occurs in it.
std::optional<std::string> SaveSettingsProblem(const NamingRules& naming);

// The run's file-name prefix: text with every "日期" replaced by date (yyyy-MM-dd).
std::string MakeNamePrefix(const std::string& text, const std::string& date);

}  // namespace sheetwise::batch
