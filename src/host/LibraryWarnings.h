#pragma once
// The warnings of the libraries that read files for the program (libgsf, on
// GLib) never reach the terminal. They are taken by a handler installed once:
// while a LibraryWarnings lives on a thread, what the libraries say on that
// thread is kept for it (so it can become part of the reason of the workbook
// in hand); anything else is dropped.

#include <string>
#include <vector>

namespace sheetwise::host {

// Installs the handler (once; later calls do nothing). Both programs call it
// at start, and every reader of a file before its first library call.
void QuietLibraryWarnings();

class LibraryWarnings {
 public:
  LibraryWarnings();
  ~LibraryWarnings();
  LibraryWarnings(const LibraryWarnings&) = delete;
  LibraryWarnings& operator=(const LibraryWarnings&) = delete;

  // The distinct warnings kept so far, in the order they came.
  const std::vector<std::string>& said() const { return said_; }
  // What they said, as a part of a reason ("" when nothing).
  std::string note() const;
  void keep(const std::string& message);

 private:
  LibraryWarnings* outer_;
  std::vector<std::string> said_;
};

// text, with the note of warnings after it when there is one.
std::string WithWarnings(const std::string& text, const LibraryWarnings& warnings);

}  // namespace sheetwise::host
