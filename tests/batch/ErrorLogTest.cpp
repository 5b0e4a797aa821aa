#include "ui/ErrorLog.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

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

// Only the text between the first file markers of the selected entry is opened.
TEST_F(ErrorLogTest, DoubleClickOpensOnlyTheFileNamedInTheSelectedEntry) {
  const std::string book = dir / "my book 1.xls", other = dir / "a b.xls";
  std::ofstream(book) << "x";
  std::ofstream(other) << "x";
  form.List4.items = {ProcessingErrorEntry(book), "</file>x<file/>y", "<file/></file>", "<file/>" + book,
                      VetoEntry(book),            "x<file/>" + other + "</file>y</file>"};
  test::ScriptedFileOpener opener;
  test::ScriptedDialogs dialogs;
  for (int selection = -1; selection <= 6; ++selection) {
    form.List4.selection = selection;
    ui::OpenLoggedFile(form, opener, dialogs);
  }
  EXPECT_EQ(opener.opened, (Texts{book, other}));
  EXPECT_TRUE(dialogs.messages.empty());
}

// A file that cannot be opened is named in a message with the reason, and no
// program is started for it.
TEST_F(ErrorLogTest, DoubleClickOnAFileThatCannotBeOpenedSaysWhy) {
  const std::string book = dir / "book.xls", gone = dir / "gone.xls", folder = dir / "folder.xls",
                    pipe = dir / "pipe.xls";
  std::ofstream(book) << "x";
  fs::create_directory(folder);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  const std::tuple<std::string, bool, std::string> cases[] = {
      {gone, true, gone},                               // moved or deleted since
      {folder, true, folder},                           // not a file
      {pipe, true, pipe + " 不是普通文件"},             // never opened, so nothing blocks
      {book, false, book + "\n没有找到打开它的程序"},  // no desktop opener installed
  };
  for (const auto& [path, openerInstalled, said] : cases) {
    form.List4.items = {RuleFailureEntry(path)};
    form.List4.selection = 0;
    test::ScriptedFileOpener opener;
    opener.openerInstalled = openerInstalled;
    test::ScriptedDialogs dialogs;
    ui::OpenLoggedFile(form, opener, dialogs);
    ASSERT_EQ(dialogs.messages.size(), 1u) << path;
    EXPECT_TRUE(dialogs.messages[0].first.starts_with("无法打开这个文件：")) << dialogs.messages[0].first;
    EXPECT_NE(dialogs.messages[0].first.find(said), std::string::npos) << dialogs.messages[0].first;
    EXPECT_EQ(opener.opened.size(), openerInstalled ? 0u : 1u) << path;
  }
}

}  // namespace
}  // namespace sheetwise::batch
