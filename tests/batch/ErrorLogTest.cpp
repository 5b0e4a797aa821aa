#include "ui/ErrorLog.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>

#include "ScriptedDialogs.h"
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

// Only the text between the first file markers of the selected entry is opened; a file that
// cannot be opened is named in a message with the reason, and no program is started for it.
TEST_F(ErrorLogTest, DoubleClickOpensOnlyTheFileNamedInTheSelectedEntryOrSaysWhyNot) {
  const std::string book = dir / "my book 1.xls", other = dir / "a b.xls", gone = dir / "gone.xls",
                    folder = dir / "folder.xls", pipe = dir / "pipe.xls";
  std::ofstream(book) << "x";
  std::ofstream(other) << "x";
  fs::create_directory(folder);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  form.List4.items = {ProcessingErrorEntry(book),  "</file>x<file/>y",        "<file/></file>",
                      "<file/>" + book,            VetoEntry(book),           "x<file/>" + other + "</file>y</file>",
                      RuleFailureEntry(gone),      RuleFailureEntry(folder),  RuleFailureEntry(pipe)};
  const struct {
    int selection;
    bool openerInstalled;
    Texts opened;
    std::string said;  // in the message, "" for none
  } cases[] = {
      {-1, true, {}, ""}, {0, true, {}, ""}, {1, true, {}, ""}, {2, true, {}, ""}, {3, true, {}, ""},
      {4, true, {book}, ""}, {5, true, {other}, ""}, {9, true, {}, ""},
      {6, true, {}, gone},                                  // moved or deleted since
      {7, true, {}, folder},                                // not a file
      {8, true, {}, pipe + " 不是普通文件"},                // never opened, so nothing blocks
      {4, false, {book}, book + "\n没有找到打开它的程序"},  // no desktop opener installed
  };
  for (const auto& c : cases) {
    form.List4.selection = c.selection;
    test::ScriptedFileOpener opener;
    opener.openerInstalled = c.openerInstalled;
    test::ScriptedDialogs dialogs;
    ui::OpenLoggedFile(form, opener, dialogs);
    EXPECT_EQ(opener.opened, c.opened) << c.selection;
    ASSERT_EQ(dialogs.messages.size(), c.said.empty() ? 0u : 1u) << c.selection;
    if (c.said.empty()) continue;
    EXPECT_TRUE(dialogs.messages[0].first.starts_with("无法打开这个文件：")) << dialogs.messages[0].first;
    EXPECT_NE(dialogs.messages[0].first.find(c.said), std::string::npos) << dialogs.messages[0].first;
  }
}

}  // namespace
}  // namespace sheetwise::batch
