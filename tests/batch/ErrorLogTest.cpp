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
  const fs::path logFile = dir.path() / "错误日志.log";
  LogFile file{clock};
  ui::ErrorLog log{form, file};
};

// The log file is named relative to the current directory at each entry.
TEST_F(ErrorLogTest, EntriesGoToTheListAndToTheFileInTheCurrentDirectory) {
  log.setlog(VetoEntry("/in/a b.xls"));
  clock.time.second = 40;
  log.setlog(ProcessingErrorEntry("/in/c.xls"));
  fs::create_directory(dir.path() / "other");
  {
    test::CurrentDirectory inOther(dir.path() / "other");
    log.setlog(RuleFailureEntry("/in/d.xls"));
  }
  EXPECT_EQ(form.List4.items, (Texts{"触发否决条件：<file/>/in/a b.xls</file>", "处理异常：/in/c.xls",
                                     "表头不匹配处理失败：<file/>/in/d.xls</file>"}));
  EXPECT_EQ(test::ReadFile(logFile),
            "2024-03-05 09:07:02触发否决条件：<file/>/in/a b.xls</file>\r\n"
            "2024-03-05 09:07:40处理异常：/in/c.xls\r\n");
  EXPECT_EQ(test::ReadFile(dir.path() / "other" / "错误日志.log"),
            "2024-03-05 09:07:40表头不匹配处理失败：<file/>/in/d.xls</file>\r\n");
}

TEST_F(ErrorLogTest, UnwritableFileKeepsTheListAndIsToldOncePerRun) {
  fs::create_directory(logFile);
  log.setlog(VetoEntry("/in/a.xls"));
  log.setlog(VetoEntry("/in/b.xls"));
  EXPECT_EQ(form.List4.items.size(), 2u);
  EXPECT_NE(file.takeWriteFailureNotice().value_or("").find(logFile.string()), std::string::npos);
  EXPECT_FALSE(file.takeWriteFailureNotice());
  file.startRun();
  log.setlog(VetoEntry("/in/c.xls"));
  EXPECT_TRUE(file.takeWriteFailureNotice());
}

// Only the text between the first file markers of the selected entry is opened.
TEST(OpenLoggedFile, OpensOnlyTheFileNamedInTheSelectedEntry) {
  ui::Form1 form;
  form.List4.items = {ProcessingErrorEntry("/in/a.xls"), "</file>x<file/>y", "<file/></file>", "<file/>/a.xls",
                      VetoEntry("/in/my book 1.xls"), "x<file/>/a b.xls</file>y</file>"};
  test::ScriptedFileOpener opener;
  for (int selection = -1; selection <= 6; ++selection) {
    form.List4.selection = selection;
    ui::OpenLoggedFile(form, opener);
  }
  EXPECT_EQ(opener.opened, (Texts{"/in/my book 1.xls", "/a b.xls"}));
}

}  // namespace
}  // namespace sheetwise::batch
