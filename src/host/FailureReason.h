#pragma once
// Why a file operation failed, said in the user's terms: decided from the real
// error (errno, the state of the disk, a lock beside the file), never an
// office's error code. Texts are translated (Translate.h).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace sheetwise::host {

// What was being done to path when the error came.
enum class FileAction {
  ReadFile,      // opening or reading a workbook
  WriteFile,     // writing into or appending to the file path
  OpenFolder,    // listing or entering a folder
  WriteFolder,   // creating a file or folder inside the folder path
  ReplaceFile,   // putting a written file in place of path
  CreateFolder,  // making the folder path
};

// The reason for errno value error while doing action to path.
std::string ReasonForError(int error, FileAction action, const std::string& path);

// The first thing on the way to path that stops it from being read: a folder
// that cannot be entered, a missing file, a file without read permission.
// None when the file can be opened for reading.
std::optional<std::string> UnreadableReason(const std::string& path);

// Set when the entry at path, of the file type mode (st_mode), is no regular
// file: a named pipe, a socket or a device, which reading could block on or
// never end.
std::optional<std::string> NotAFileReason(const std::string& path, unsigned mode);

// The reason for a path longer than the system takes (PATH_MAX); the path is
// quoted cut to a readable length.
std::string PathTooLongReason(const std::string& path);

// Set when target is open in another program, which holds a lock file beside it
// (".~lock.NAME#" of an office, "~$NAME" of another spreadsheet program).
std::optional<std::string> InUseReason(const std::filesystem::path& target);

// After a failed write into folder: the reason when the disk is full, that is
// when needed more bytes cannot be written into probeFolder (a folder of the
// program's own on the same disk) when tried.
std::optional<std::string> DiskFullReason(const std::filesystem::path& folder, const std::filesystem::path& probeFolder,
                                          std::uintmax_t needed);

// Set when a file name is longer than the folder's file system allows.
std::optional<std::string> NameTooLongReason(const std::filesystem::path& target);

// Set when path is not valid UTF-8 text, which the office cannot open.
std::optional<std::string> NotUtf8Reason(const std::string& path);

}  // namespace sheetwise::host
