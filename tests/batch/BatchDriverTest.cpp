#include "batch/BatchDriver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ScriptedDialogs.h"
#include "ScriptedPorts.h"
#include "TestPaths.h"
#include "XlsSnapshot.h"
#include "batch/FolderScan.h"
#include "batch/LogEntries.h"
#include "batch/WorkbookEngine.h"
#include "host/HostError.h"
#include "host/LibreOfficeHost.h"
#include "ui/ErrorLog.h"
#include "ui/FormSettings.h"
#include "ui/OfficeMissing.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using test::TempDir;

class BatchDriverTest : public ::testing::Test {
 protected:
  BatchDriverTest() {
    form.Text4.text = "/src/";
    form.Text5.text = dir / "save/";
  }

  void queue(int files) {
    for (int i = 0; i < files; ++i) form.List2.items.push_back("/src/" + std::to_string(i) + ".xls");
  }
  // Ticks while the timer runs, as the window's timer would.
  void runToTheEnd() {
    for (int ticks = 0; form.Timer1.enabled && ticks < 1000; ++ticks) driver.Timer1_Timer();
  }
  bool panelsEnabled() const {
    return form.Frame1.enabled && form.Command2.enabled && form.Command5.enabled && form.Frame2.enabled;
  }

  TempDir dir;
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  test::ScriptedClock clock{{2026, 12, 6, 9, 30, 0}};
  LogFile logFile{clock, dir.path() / "errors.log"};
  ui::ErrorLog log{form, logFile};
  Strings processed, extracted;
  int cleanUps = 0;
  std::function<void(const std::string&)> process = [this](const std::string& p) { processed.push_back(p); };
  BatchDriver driver{form,
                     {dialogs, clock, logFile, [this](const std::string& p) { process(p); },
                      [this](const std::string& p) { extracted.push_back(p); }, [this] { ++cleanUps; }}};
};

// The speed is read before every file; the office is ended now and then during
// a long run and once at its end.
TEST_F(BatchDriverTest, ARunLocksThePanelsProcessesTheQueueAndEndsWithOk) {
  queue(12);
  form.HScroll1.value = 300;
  driver.Command4_Click();
  EXPECT_FALSE(form.Frame1.enabled || form.Command2.enabled || form.Command5.enabled || form.Frame2.enabled);
  EXPECT_EQ(form.Timer1.interval, 300);
  form.HScroll1.value = 1200;
  driver.Timer1_Timer();
  EXPECT_EQ(form.Timer1.interval, 1200);
  EXPECT_FLOAT_EQ(form.Shape2.width, form.Shape1.width / 12);
  EXPECT_EQ(form.Label8.caption, "估计剩下：5.5 秒");
  runToTheEnd();
  EXPECT_EQ(processed.size(), 12u);
  EXPECT_EQ(cleanUps, 2);
  EXPECT_EQ(dialogs.messages, (decltype(dialogs.messages){{"ok", ui::MessageStyle::Information}}));
  EXPECT_TRUE(panelsEnabled());
  EXPECT_EQ(form.Shape2.width, form.Shape1.width);
}

// "继续" while idle processes without the start steps; "开始" while paused
// starts over with the files still queued; a pause keeps the panels locked.
TEST_F(BatchDriverTest, ContinueAndStartOverFromIdleOrPaused) {
  queue(3);
  form.namePrefix = "kept_";
  driver.Command7_Click();
  driver.Timer1_Timer();
  EXPECT_EQ(processed.size(), 1u);
  EXPECT_TRUE(form.Frame1.enabled);
  EXPECT_EQ(form.namePrefix, "kept_");
  EXPECT_FALSE(fs::exists(dir / "save"));
  driver.Command6_Click();
  EXPECT_FALSE(form.Timer1.enabled);
  driver.Command4_Click();
  EXPECT_EQ(form.startTotal, 2);
  driver.Timer1_Timer();
  EXPECT_FLOAT_EQ(form.Shape2.width, form.Shape1.width / 2);
  driver.Command6_Click();
  EXPECT_FALSE(form.Timer1.enabled);
  EXPECT_FALSE(form.Frame1.enabled);
  driver.Command7_Click();
  EXPECT_TRUE(form.Timer1.enabled);
  driver.Command8_Click();
  EXPECT_FALSE(form.Timer1.enabled);
}

// Every refusal starts nothing and writes nothing. A cancelled source choice
// leaves "/" with the old queue; a copy may not land on another copy or on a
// source.
TEST_F(BatchDriverTest, StartRefusesBadSettingsAndPlansWithTheirMessages) {
  for (const char* name : {"src/a1.xls", "src/b1.xls", "src/sub/a1.xls"}) dir.copyFixture("sheets.xls", name);
  const std::string src = dir / "src/", out = dir / "out/";
  const FolderTree tree = ScanFolderTree(src);
  struct Case {
    std::string source, save, pathFrom, nameFrom, nameTo, message;
  };
  const Case cases[] = {
      {src, "", "", "", "", "保存的目录有误"},
      {src, "/", "", "", "", "保存的目录有误"},
      {src, "/data/out_2024/", "_2024", "", "", "如果你需要替换文件夹名，前提你保存的位置不能存在该字符"},
      {"/", out, "", "", "", kChooseSourceFirst},
      {src, out, "", "a1", "b1", "会保存为同一个文件"},
      {src, src, "", "", "", src + "a1.xls 的保存位置是要处理的文件：" + src + "a1.xls"}};
  const auto before = test::FileBytes(dir.path());
  for (const Case& c : cases) {
    dialogs.messages.clear();
    form.List1.items = tree.folders;
    form.List2.items = tree.workbooks;
    form.Text4.text = c.source;
    form.Text5.text = c.save;
    form.Text12.text = c.pathFrom;
    form.Text6.text = c.nameFrom;
    form.Text7.text = c.nameTo;
    driver.Command4_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u) << "case " << c.message;
    EXPECT_NE(dialogs.messages[0].first.find(c.message), std::string::npos) << dialogs.messages[0].first;
    EXPECT_EQ(dialogs.messages[0].second, ui::MessageStyle::Plain) << "case " << c.message;
    EXPECT_FALSE(form.Timer1.enabled) << "case " << c.message;
    EXPECT_TRUE(form.Frame1.enabled) << "case " << c.message;
  }
  EXPECT_TRUE(processed.empty());
  EXPECT_EQ(test::FileBytes(dir.path()), before);
  EXPECT_FALSE(fs::exists(dir / "out"));

  form.Text5.text = dir / "src/sub/";  // a save folder inside the source folder is no source
  driver.Command4_Click();
  EXPECT_TRUE(form.Timer1.enabled);
  EXPECT_EQ(form.List2.items, (Strings{src + "a1.xls", src + "b1.xls"}));
}

TEST_F(BatchDriverTest, MirroredFoldersWithReplacementsAndNoneInPlace) {
  form.List1.items = {"/src/", "/src/a_old/", "/src/a_old/b/"};
  form.Text12.text = "_old";
  form.Text11.text = "_new";
  form.Text8.text = "日期_x日期";
  driver.Command4_Click();
  EXPECT_TRUE(fs::is_directory(dir / "save/a_new/b"));
  EXPECT_EQ(form.namePrefix, "2026-12-06_x2026-12-06");
  TempDir other;
  form.Text5.text = other / "save/";
  form.Check1.value = 1;
  driver.Command4_Click();
  EXPECT_EQ(other.listing(), "");
}

TEST_F(BatchDriverTest, ExtractionModeSendsFilesToTheExtraction) {
  queue(2);
  form.Check2.value = 1;
  driver.Command4_Click();
  runToTheEnd();
  EXPECT_EQ(extracted, (Strings{"/src/0.xls", "/src/1.xls"}));
  EXPECT_TRUE(processed.empty());
}

TEST_F(BatchDriverTest, AnOfficeThatCannotStartStopsTheRunOnceWithTheFilesQueued) {
  queue(3);
  process = [](const std::string&) { throw host::HostUnavailable("LibreOffice could not be started: test"); };
  driver.Command4_Click();
  runToTheEnd();
  EXPECT_EQ(dialogs.messageTexts(), Strings{ui::RunStoppedForOfficeMessage("LibreOffice could not be started: test")});
  EXPECT_FALSE(form.Timer1.enabled);
  EXPECT_TRUE(panelsEnabled());
  EXPECT_EQ(form.List2.items.size(), 3u);
}

TEST_F(BatchDriverTest, AnUnwritableLogIsReportedOncePerRun) {
  queue(3);
  fs::create_directory(dir / "errors.log");  // a folder where the log file should be
  process = [this](const std::string& p) { log.setlog(ProcessingErrorEntry(p)); };
  driver.Command4_Click();
  runToTheEnd();
  EXPECT_EQ(form.List4.items.size(), 3u);
  ASSERT_EQ(dialogs.messages.size(), 2u);  // the notice, then "ok"
  EXPECT_NE(dialogs.messages[0].first.find("errors.log"), std::string::npos);
}

// The window hands the engine its fields as they stand when each workbook
// starts: a rule list or veto changed between two files acts from the next one.
TEST_F(BatchDriverTest, EditsARealFolderWithTheFieldsAsTheyStandAtEachWorkbook) {
  for (const char* name : {"a.xls", "sub/b.xls", "sub/c.xls"}) dir.copyFixture("sheets.xls", std::string("in/") + name);
  form.Text4.text = dir / "in/";
  form.Text5.text = dir / "out/";
  form.List1.items = {form.Text4.text, form.Text4.text + "sub/"};
  form.List2.items = {dir / "in/a.xls", dir / "in/sub/b.xls", dir / "in/sub/c.xls"};
  form.List3.items = {"1|A|done"};
  form.Text8.text = "x_";
  WorkbookEngine engine{test::SharedHost(), log};
  process = [&](const std::string& p) { engine.ProcessWorkbook(p, ui::RunSettingsOf(form)); };
  driver.Command4_Click();
  driver.Timer1_Timer();
  form.List3.items = {"1|A|second"};
  driver.Timer1_Timer();
  form.Text10.text = "1";
  form.Text13.text = "A";
  form.Text14.text = "not there";
  runToTheEnd();
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/x_a.xls").sheets[0].value(1, 1), "done");
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/sub/x_b.xls").sheets[0].value(1, 1), "second");
  EXPECT_NE(test::ReadWithXlrd(dir / "out/sub/x_c.xls").sheets[0].value(1, 1), "second");
  EXPECT_EQ(form.List4.items, Strings{VetoEntry(dir / "in/sub/c.xls")});
  EXPECT_EQ(dialogs.messageTexts(), Strings{"ok"});
}

}  // namespace
}  // namespace sheetwise::batch
