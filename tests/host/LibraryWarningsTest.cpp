// The file readers' libraries warn through GLib: never onto the terminal; a
// warning heard while a workbook is handled joins that workbook's reason.

#include "host/LibraryWarnings.h"

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

namespace sheetwise::host {
namespace {

// What is written to standard error while it lives.
class CapturedStandardError {
 public:
  CapturedStandardError() : saved_(::dup(STDERR_FILENO)) {
    std::fflush(stderr);
    ::dup2(::fileno(file_), STDERR_FILENO);
  }
  ~CapturedStandardError() {
    restore();
    std::fclose(file_);
  }
  std::string text() {
    restore();
    std::string said;
    std::rewind(file_);
    for (int c; (c = std::fgetc(file_)) != EOF;) said += static_cast<char>(c);
    return said;
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
  }
  std::FILE* file_ = std::tmpfile();
  int saved_;
};

TEST(LibraryWarnings, NeverReachTheTerminalAndJoinTheReasonOfTheFileInHand) {
  QuietLibraryWarnings();
  CapturedStandardError err;
  g_warning("outside any file");
  std::string note;
  {
    LibraryWarnings outer;
    g_log("libgsf:msole", G_LOG_LEVEL_WARNING, "Unable to get child[0] for infile 'VBA'");
    {
      LibraryWarnings inner;
      g_log(nullptr, G_LOG_LEVEL_CRITICAL, "assertion 'x' failed");
      g_log(nullptr, G_LOG_LEVEL_DEBUG, "a detail");
      EXPECT_EQ(inner.said(), std::vector<std::string>{"assertion 'x' failed"});
    }
    g_log("libgsf", G_LOG_LEVEL_WARNING, "Unable to get child[0] for infile 'VBA'");  // said once
    g_log_structured("GLib", G_LOG_LEVEL_WARNING, "MESSAGE", "structured");
    note = WithWarnings("the workbook is damaged", outer);
  }
  EXPECT_EQ(note, "the workbook is damaged (the file reader warned: Unable to get child[0] for infile 'VBA'; "
                  "assertion 'x' failed; structured)");
  EXPECT_EQ(err.text(), "");
}

}  // namespace
}  // namespace sheetwise::host
