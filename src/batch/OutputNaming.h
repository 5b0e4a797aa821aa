#pragma once
// Where a processed workbook is saved: the source path moved from the source
// folder to the save folder, with the window's file-name and path rules applied.

#include <string>

#include "ui/Form1.h"

namespace sheetwise::batch {

// The save path for sourcePath ("/" separated), from the folders (Text4 -> Text5),
// the file-name replacement (Text6 -> Text7), the run's name prefix and the path
// replacement (Text12 -> Text11).
std::string BuildOutputPath(const ui::Form1& form, const std::string& sourcePath);

// The save-tree folder of a folder-list entry: Text4 -> Text5, then the path
// replacement (Text12 -> Text11).
std::string MirroredFolder(const ui::Form1& form, const std::string& folder);

// Creates the mirrored folder of every folder-list entry, parents first;
// none when saving over the sources. Folders that exist or cannot be made are
// passed over.
void MakeMirroredFolders(const ui::Form1& form);

// The run's file-name prefix: text8 with every "日期" replaced by date (yyyy-MM-dd).
std::string MakeNamePrefix(const std::string& text8, const std::string& date);

}  // namespace sheetwise::batch
