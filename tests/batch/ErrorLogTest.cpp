#include "ui/ErrorLog.h"

#include "batch/LogEntries.h"

#include <gtest/gtest.h>

#include "ScriptedPorts.h"
#include "TestPaths.h"
#include "rules/TextBetween.h"

namespace sheetwise::batch {
using ui::ErrorLog;
using ui::OpenLoggedFile;
namespace {
namespace fs = std::filesystem;

TEST(TextBetween, TakesTheTextBetweenTheFirstMarkers) {
  const std::pair<const char*, const char*> cases[] = {{"x<file/>/a b.xls</file>y</file>", "/a b.xls"},
                                                       {"</file>x<file/>y", ""},
                                                       {"<file/></file>", ""},
                                                       {"处理异常：/a.xls", ""},
                                                       {"<file/>/a.xls", ""}};
  for (const auto& [text, between] : cases) EXPECT_EQ(rules::TextBetween(text, "<file/>", "</file>"), between) << text;
}

class ErrorLogTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::CurrentDirectory cwd{dir.path()};
  test::ScriptedClock clock{{2024, 3, 5, 9, 7, 2}};
  ui::Form1 form;
  const fs::path logFile = dir.path() / "错误日志.log";
  LogFile file{clock};
};

TEST_F(ErrorLogTest, EntriesGoToTheListAndToTheFileInTheCurrentDirectory) {
  form.List4.items = {"earlier"};
  ErrorLog(form, file).setlog(VetoEntry("/in/a b.xls"));
  clock.time.second = 40;
  ErrorLog(form, file).setlog(ProcessingErrorEntry("/in/c.xls"));

  EXPECT_EQ(form.List4.items, (std::vector<std::string>{"earlier", "触发否决条件：<file/>/in/a b.xls</file>",
                                                        "处理异常：/in/c.xls"}));
  EXPECT_EQ(test::ReadFile(logFile),
            "2024-03-05 09:07:02触发否决条件：<file/>/in/a b.xls</file>\r\n"
            "2024-03-05 09:07:40处理异常：/in/c.xls\r\n");
  // UTF-8 right after the time: "触" is E8 A7 A6.
  EXPECT_EQ(test::ReadFile(logFile).substr(19, 3), "\xE8\xA7\xA6");
}

TEST_F(ErrorLogTest, RelativeLogFileFollowsTheCurrentDirectoryAtEachEntry) {
  ErrorLog log(form, file);
  fs::create_directory(dir.path() / "other");
  {
    test::CurrentDirectory inOther(dir.path() / "other");
    log.setlog(RuleFailureEntry("/in/a.xls"));
  }
  EXPECT_EQ(test::ReadFile(dir.path() / "other" / "错误日志.log"), "2024-03-05 09:07:02表头不匹配处理失败：<file/>/in/a.xls</file>\r\n");
  EXPECT_FALSE(fs::exists(logFile));
}

TEST_F(ErrorLogTest, UnwritableFileKeepsTheListAndIsToldOncePerRun) {
  fs::create_directory(logFile);
  ErrorLog log(form, file);
  EXPECT_FALSE(file.takeWriteFailureNotice());
  EXPECT_NO_THROW(log.setlog(VetoEntry("/in/a.xls")));
  EXPECT_NO_THROW(log.setlog(VetoEntry("/in/b.xls")));
  EXPECT_EQ(form.List4.items.size(), 2u);

  const auto notice = file.takeWriteFailureNotice();
  ASSERT_TRUE(notice);
  EXPECT_NE(notice->find(logFile.string()), std::string::npos) << *notice;
  log.setlog(VetoEntry("/in/c.xls"));
  EXPECT_FALSE(file.takeWriteFailureNotice());

  file.startRun();
  EXPECT_FALSE(file.takeWriteFailureNotice());
  log.setlog(VetoEntry("/in/d.xls"));
  EXPECT_TRUE(file.takeWriteFailureNotice());
}

TEST(OpenLoggedFile, OpensOnlyTheFileNamedInTheSelectedEntry) {
  ui::Form1 form;
  form.List4.items = {ProcessingErrorEntry("/in/a.xls"), VetoEntry("/in/my book 1.xls"),
                      RuleFailureEntry("/in/c.xls")};
  test::ScriptedFileOpener opener;
  for (int selection : {-1, 0, 3}) {
    form.List4.selection = selection;
    OpenLoggedFile(form, opener);
  }
  EXPECT_TRUE(opener.opened.empty());
  for (int selection : {1, 2}) {
    form.List4.selection = selection;
    OpenLoggedFile(form, opener);
  }
  EXPECT_EQ(opener.opened, (std::vector<std::string>{"/in/my book 1.xls", "/in/c.xls"}));
}

}  // namespace
}  // namespace sheetwise::batch
