// The file readers' libraries warn through GLib: never onto the terminal; a
// warning heard while a workbook is handled joins that workbook's reason.

#include "host/LibraryWarnings.h"

#include <glib.h>

#include <gtest/gtest.h>

namespace sheetwise::host {
namespace {

TEST(LibraryWarnings, NeverReachTheTerminalAndJoinTheReasonOfTheFileInHand) {
  QuietLibraryWarnings();
  ::testing::internal::CaptureStderr();  // what reaches the terminal
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
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace sheetwise::host
