#pragma once
// The originals an in-place run replaces, kept in the run's folder until the
// user forgets the run: each at its path below the source folder, as a hard
// link to the replaced file (no copy, no extra space), or as a copy where a
// link cannot be made (another file system). A workbook replaced again by a
// resumed run, its original then being another, keeps that one below the
// hidden folder ".replaced-2" (3, ...) of the run folder, which no source path
// can name (the scan leaves hidden entries out). The run folder holds a marker
// file of the program's own; --undo puts the originals back (UndoRun.h) and
// --forget removes them.

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace sheetwise::batch {

// The marker file inside every run folder.
inline constexpr const char* kRunFolderMarker = ".sheetwise-originals";

// The run folder of a run reporting to report: "NAME.originals" beside the
// report (NAME its name without extension), or inside backupFolder when given.
std::filesystem::path RunFolderFor(const std::filesystem::path& report, const std::string& backupFolder);

// Why folder cannot take a new run's originals (an earlier run's are there,
// or other files), or none. resuming: the run appends to the report whose
// originals are there, which it may keep adding to.
std::optional<std::string> RunFolderProblem(const std::filesystem::path& folder, bool resuming);

enum class KeepBy { LinkOrCopy, Copy };

class KeptOriginals {
 public:
  // sourceFolder: absolute, ending in "/", as the run's queue paths start.
  KeptOriginals(std::filesystem::path runFolder, std::string sourceFolder, KeepBy by = KeepBy::LinkOrCopy);

  // Makes the run folder and its marker; throws std::runtime_error saying why it cannot.
  void open() const;

  // Keeps the file source is now (links followed), before it is replaced;
  // returns where. A file kept for source already that holds the same bytes
  // (a killed run's) is taken; none is ever written over. std::runtime_error
  // says why the original could not be kept.
  std::string keep(const std::string& source);

  // Where this run kept source's original; "" when it did not.
  std::string keptOf(const std::string& source) const;

  // Whether this run kept source's original and source is another file now:
  // a link's source is another file, a copy's holds other bytes.
  bool replaced(const std::string& source) const;

  // After source was not replaced (its save failed): what this run kept of
  // it goes, and so does a link to it a killed run made, so that the source
  // has one link again (saving in place refuses a file with several).
  void forgetUnreplaced(const std::string& source);

  // Source's row is written: its kept original is counted and no longer looked
  // up, so that a run over millions of workbooks holds none of them.
  void settle(const std::string& source);

  // Removes the run folder when it holds nothing but its marker.
  void closeIfEmpty() const;

  const std::filesystem::path& folder() const { return folder_; }
  size_t count() const;

 private:
  // Where source's original is kept: the first time, and after each further replacement.
  std::filesystem::path pathOf(const std::string& source, int replacement) const;

  struct Kept {
    std::string path;
    bool made = false;  // by this run, not taken from an earlier one
    bool linked = false;  // a hard link made by this run, not a copy
  };

  std::filesystem::path folder_;
  std::string sourceFolder_;
  KeepBy by_;
  mutable std::mutex mutex_;
  std::map<std::string, Kept> kept_;  // by source, until settled
  size_t settled_ = 0;
};

// Whether path lies inside a run folder (one of its parents holds the marker);
// that folder, or none.
std::optional<std::filesystem::path> RunFolderHolding(const std::filesystem::path& path);

// Removes folder when it holds nothing but its marker and empty folders; whether it did.
bool RemoveRunFolderIfEmpty(const std::filesystem::path& folder);

}  // namespace sheetwise::batch
