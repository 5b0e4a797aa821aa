#include "batch/BatchDriver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

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

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

class BatchDriverTest : public ::testing::Test {
 protected:
  BatchDriverTest() {
    form.Text4.text = "/src/";
    form.Text5.text = (dir.path() / "save").string() + "/";
  }

  void queue(int files) {
    for (int i = 0; i < files; ++i) form.List2.items.push_back("/src/" + std::to_string(i) + ".xls");
  }
  // Ticks while the timer runs, as the window's timer would.
  int runToTheEnd(int limit = 1000) {
    int ticks = 0;
    while (form.Timer1.enabled && ticks < limit) {
      ++ticks;
      tickNumber = ticks;
      driver.Timer1_Timer();
    }
    return ticks;
  }

  TempDir dir;
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  test::ScriptedClock clock{{2026, 12, 6, 9, 30, 0}};
  LogFile logFile{clock, dir.path() / "errors.log"};
  ui::ErrorLog log{form, logFile};
  int tickNumber = 0;
  std::vector<int> processedOn;
  std::vector<int> cleanedOn;
  std::vector<std::string> extracted;
  std::function<void(const std::string&)> process = [this](const std::string&) { processedOn.push_back(tickNumber); };
  BatchDriver driver{
      form,
      {dialogs, clock, logFile, [this](const std::string& p) { process(p); },
       [this](const std::string& p) { extracted.push_back(p); }, [this] { cleanedOn.push_back(tickNumber); }}};
};

TEST_F(BatchDriverTest, TwentyFilesTakeTwentyThreeTicks) {
  queue(20);
  driver.Command4_Click();
  EXPECT_FALSE(form.Frame1.enabled);
  EXPECT_FALSE(form.Command2.enabled);
  EXPECT_FALSE(form.Command5.enabled);
  EXPECT_FALSE(form.Frame2.enabled);
  EXPECT_TRUE(form.Timer1.enabled);
  EXPECT_EQ(runToTheEnd(), 23);
  std::vector<int> expected;
  for (int t = 1; t <= 22; ++t) {
    if (t % 10 != 0) expected.push_back(t);
  }
  EXPECT_EQ(processedOn, expected);
  EXPECT_EQ(cleanedOn, (std::vector<int>{10, 20, 23}));
  EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"ok"});
  EXPECT_EQ(dialogs.messages[0].second, ui::MessageStyle::Information);
  EXPECT_TRUE(form.Frame1.enabled && form.Command2.enabled && form.Command5.enabled && form.Frame2.enabled);
  EXPECT_EQ(form.Shape2.width, form.Shape1.width);
  EXPECT_EQ(form.Label8.caption, "估计剩下：0.0 秒");
}

TEST_F(BatchDriverTest, ProgressEstimateAndSpeedAfterEachFile) {
  queue(4);
  form.HScroll1.value = 300;
  driver.Command4_Click();
  EXPECT_EQ(form.Timer1.interval, 300);
  form.HScroll1.value = 1200;  // read before every file
  driver.Timer1_Timer();
  EXPECT_EQ(form.Timer1.interval, 1200);
  EXPECT_FLOAT_EQ(form.Shape2.width, form.Shape1.width / 4);
  EXPECT_EQ(form.Label8.caption, "估计剩下：1.5 秒");
}

TEST_F(BatchDriverTest, PauseStopContinueAndRestart) {
  queue(6);
  driver.Command4_Click();
  driver.Timer1_Timer();
  driver.Command6_Click();
  EXPECT_FALSE(form.Timer1.enabled);
  EXPECT_FALSE(form.Frame1.enabled);  // still locked while paused
  driver.Command7_Click();
  EXPECT_TRUE(form.Timer1.enabled);
  driver.Command8_Click();
  EXPECT_FALSE(form.Timer1.enabled);
  // "开始" while paused starts over with the files still queued.
  driver.Command4_Click();
  EXPECT_EQ(form.startTotal, 5);
  EXPECT_EQ(form.tickCounter, 0);
  driver.Timer1_Timer();
  EXPECT_FLOAT_EQ(form.Shape2.width, form.Shape1.width / 5);
}

TEST_F(BatchDriverTest, ContinueWhileIdleProcessesWithoutTheStartSteps) {
  queue(1);
  form.namePrefix = "kept_";
  driver.Command7_Click();
  driver.Timer1_Timer();
  EXPECT_EQ(processedOn.size(), 1u);
  EXPECT_TRUE(form.Frame1.enabled);
  EXPECT_EQ(form.namePrefix, "kept_");
  EXPECT_FALSE(fs::exists(dir.path() / "save"));
  driver.Timer1_Timer();
  EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"ok"});
  EXPECT_FALSE(form.Timer1.enabled);
}

// A cancelled source choice keeps the old queue: it is not taken without its folder.
TEST_F(BatchDriverTest, StartChecksRefuseWithTheirMessages) {
  queue(2);
  const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      {"/src/", "", "", "保存的目录有误"},
      {"/src/", "/", "", "保存的目录有误"},
      {"/src/", "/data/out_2024/", "_2024", "如果你需要替换文件夹名，前提你保存的位置不能存在该字符"},
      {"/", form.Text5.text, "", kChooseSourceFirst}};
  for (const auto& [source, save, pathFrom, message] : cases) {
    dialogs.messages.clear();
    form.Text4.text = source;
    form.Text5.text = save;
    form.Text12.text = pathFrom;
    driver.Command4_Click();
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{message});
    EXPECT_EQ(dialogs.messages[0].second, ui::MessageStyle::Plain);
    EXPECT_FALSE(form.Timer1.enabled);
    EXPECT_TRUE(form.Frame1.enabled);
  }
  EXPECT_FALSE(fs::exists(dir.path() / "save"));
}

TEST_F(BatchDriverTest, MirroredFoldersWithReplacementsAndNoneInPlace) {
  form.Text4.text = "/src/";
  form.List1.items = {"/src/", "/src/a_old/", "/src/a_old/b/"};
  form.Text12.text = "_old";
  form.Text11.text = "_new";
  form.Text8.text = "日期_x日期";
  driver.Command4_Click();
  EXPECT_TRUE(fs::is_directory(dir.path() / "save/a_new/b"));
  EXPECT_EQ(form.namePrefix, "2026-12-06_x2026-12-06");
  TempDir other;
  form.Text5.text = (other.path() / "save").string() + "/";
  form.Check1.value = 1;
  driver.Command4_Click();
  EXPECT_EQ(other.listing(), "");
}

TEST_F(BatchDriverTest, ExtractionModeSendsFilesToTheExtraction) {
  queue(2);
  form.Check2.value = 1;
  driver.Command4_Click();
  runToTheEnd();
  EXPECT_EQ(extracted, (std::vector<std::string>{"/src/0.xls", "/src/1.xls"}));
  EXPECT_TRUE(processedOn.empty());
}

TEST_F(BatchDriverTest, AnOfficeThatCannotStartStopsTheRunOnce) {
  queue(3);
  process = [](const std::string&) { throw host::HostUnavailable("LibreOffice could not be started: test"); };
  driver.Command4_Click();
  runToTheEnd();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  // In the window's language, with the reason and whom to ask; no command to type.
  EXPECT_NE(dialogs.messages[0].first.find("原因：LibreOffice could not be started: test"), std::string::npos);
  EXPECT_NE(dialogs.messages[0].first.find("系统管理员"), std::string::npos);
  EXPECT_EQ(dialogs.messages[0].first.find("apt-get"), std::string::npos);
  EXPECT_FALSE(form.Timer1.enabled);
  EXPECT_TRUE(form.Frame1.enabled && form.Command2.enabled && form.Command5.enabled && form.Frame2.enabled);
  EXPECT_EQ(form.List2.items.size(), 3u);
}

TEST_F(BatchDriverTest, AnUnwritableLogIsReportedOncePerRun) {
  queue(3);
  fs::create_directory(dir.path() / "errors.log");  // a folder where the log file should be
  process = [this](const std::string& p) { log.setlog(ProcessingErrorEntry(p)); };
  driver.Command4_Click();
  runToTheEnd();
  EXPECT_EQ(form.List4.items.size(), 3u);
  ASSERT_EQ(dialogs.messages.size(), 2u);  // the notice, then "ok"
  EXPECT_NE(dialogs.messages[0].first.find("errors.log"), std::string::npos);
}

// The run's plan is checked at the start: a copy over another copy or over a
// source starts nothing; a save folder inside the source folder is no source.
TEST_F(BatchDriverTest, StartRefusesACopyOverASourceAndStartsNothing) {
  for (const char* name : {"src/a1.xls", "src/b1.xls", "src/sub/a1.xls"}) dir.copyFixture("sheets.xls", name);
  form.Text4.text = dir / "src/";
  form.Text5.text = dir / "out/";
  form.Text6.text = "a1";  // a1.xls is saved as b1.xls
  form.Text7.text = "b1";
  const FolderTree tree = ScanFolderTree(form.Text4.text);
  form.List1.items = tree.folders;
  form.List2.items = tree.workbooks;
  const auto before = test::FileBytes(dir.path());
  driver.Command4_Click();
  ASSERT_EQ(dialogs.messageTexts().size(), 1u);
  EXPECT_NE(dialogs.messageTexts()[0].find("会保存为同一个文件"), std::string::npos) << dialogs.messageTexts()[0];

  form.Text5.text = dir / "src/";  // the copies would be the sources themselves
  form.Text6.text.clear();
  driver.Command4_Click();
  ASSERT_EQ(dialogs.messageTexts().size(), 2u);
  EXPECT_EQ(dialogs.messageTexts()[1], (dir / "src/a1.xls") + " 的保存位置是要处理的文件：" + (dir / "src/a1.xls"));
  EXPECT_FALSE(form.Timer1.enabled);
  EXPECT_TRUE(form.Frame1.enabled);
  EXPECT_TRUE(processedOn.empty());
  EXPECT_EQ(test::FileBytes(dir.path()), before);
  EXPECT_FALSE(fs::exists(dir / "out"));

  form.Text5.text = dir / "src/sub/";
  driver.Command4_Click();
  EXPECT_TRUE(form.Timer1.enabled);
  EXPECT_EQ(form.List2.items, (std::vector<std::string>{dir / "src/a1.xls", dir / "src/b1.xls"}));
}

// The window hands the engine its fields as they stand when each workbook
// starts: a rule list or veto changed between two files acts from the next one.
TEST(BatchDriverRun, EditsARealFolderWithTheFieldsAsTheyStandAtEachWorkbook) {
  TempDir dir;
  ui::Form1 form;
  for (const char* name : {"a.xls", "sub/b.xls", "sub/c.xls"}) dir.copyFixture("sheets.xls", std::string("in/") + name);
  form.Text4.text = (dir.path() / "in").string() + "/";
  form.Text5.text = (dir.path() / "out").string() + "/";
  form.List1.items = {form.Text4.text, form.Text4.text + "sub/"};
  form.List2.items = {dir / "in/a.xls", dir / "in/sub/b.xls", dir / "in/sub/c.xls"};
  form.List3.items = {"1|A|done"};
  form.Text8.text = "x_";
  test::ScriptedDialogs dialogs;
  test::ScriptedClock clock{{2026, 12, 6, 9, 30, 0}};
  LogFile logFile{clock, dir.path() / "errors.log"};
  ui::ErrorLog log{form, logFile};
  WorkbookEngine engine{test::SharedHost(), log};
  BatchDriver driver{
      form,
      {dialogs, clock, logFile, [&](const std::string& p) { engine.ProcessWorkbook(p, ui::RunSettingsOf(form)); },
       [](const std::string&) {}, [] {}}};
  driver.Command4_Click();
  driver.Timer1_Timer();
  form.List3.items = {"1|A|second"};
  driver.Timer1_Timer();
  form.Text10.text = "1";
  form.Text13.text = "A";
  form.Text14.text = "not there";
  while (form.Timer1.enabled) driver.Timer1_Timer();
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/x_a.xls").sheets[0].value(1, 1), "done");
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/sub/x_b.xls").sheets[0].value(1, 1), "second");
  EXPECT_NE(test::ReadWithXlrd(dir / "out/sub/x_c.xls").sheets[0].value(1, 1), "second");
  EXPECT_EQ(form.List4.items, std::vector<std::string>{VetoEntry(dir / "in/sub/c.xls")});
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_FALSE(log.entries()[0].reason.empty());
  EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"ok"});
}

}  // namespace
}  // namespace sheetwise::batch
