#include "ui/ErrorLog.h"

#include <gtest/gtest.h>

#include "ScriptedPorts.h"
#include "TestPaths.h"
#include "batch/LogEntries.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class ErrorLogTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::CurrentDirectory cwd{dir.path()};
  test::ScriptedClock clock{{2024, 3, 5, 9, 7, 2}};
  ui::Form1 form;
  LogFile file{clock};
  ui::ErrorLog log{form, file};
};

// The log file is named relative to the current directory at each entry; one
// that cannot be written keeps the list and is told once per run.
TEST_F(ErrorLogTest, EntriesGoToTheListAndToTheFileInTheCurrentDirectory) {
  log.setlog(VetoEntry("/in/a b.xls"));
  clock.time.second = 40;
  log.setlog(ProcessingErrorEntry("/in/c.xls"));
  const fs::path unwritable = dir.path() / "other" / "错误日志.log";
  fs::create_directories(unwritable);  // a folder where the file would be
  {
    test::CurrentDirectory inOther(dir.path() / "other");
    log.setlog(RuleFailureEntry("/in/d.xls"));
    log.setlog(RuleFailureEntry("/in/e.xls"));
    EXPECT_NE(file.takeWriteFailureNotice().value_or("").find(unwritable.string()), std::string::npos);
    EXPECT_FALSE(file.takeWriteFailureNotice());
    file.startRun();
    log.setlog(RuleFailureEntry("/in/f.xls"));
    EXPECT_TRUE(file.takeWriteFailureNotice());
  }
  EXPECT_EQ(form.List4.items.size(), 5u);
  EXPECT_EQ(form.List4.items[2], "表头不匹配处理失败：<file/>/in/d.xls</file>");
  EXPECT_EQ(test::ReadFile(dir.path() / "错误日志.log"),
            "2024-03-05 09:07:02触发否决条件：<file/>/in/a b.xls</file>\r\n"
            "2024-03-05 09:07:40处理异常：/in/c.xls\r\n");
}

// Only the text between the first file markers of the selected entry is opened.
TEST_F(ErrorLogTest, DoubleClickOpensOnlyTheFileNamedInTheSelectedEntry) {
  form.List4.items = {ProcessingErrorEntry("/in/a.xls"), "</file>x<file/>y", "<file/></file>",
                      "<file/>/a.xls", VetoEntry("/in/my book 1.xls"), "x<file/>/a b.xls</file>y</file>"};
  test::ScriptedFileOpener opener;
  for (int selection = -1; selection <= 6; ++selection) {
    form.List4.selection = selection;
    ui::OpenLoggedFile(form, opener);
  }
  EXPECT_EQ(opener.opened, (Texts{"/in/my book 1.xls", "/a b.xls"}));
}

}  // namespace
}  // namespace sheetwise::batch
