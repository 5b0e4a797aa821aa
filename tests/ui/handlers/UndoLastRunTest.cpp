#include "ui/handlers/UndoLastRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScriptedDialogs.h"
#include "ScriptedPorts.h"
#include "TestPaths.h"
#include "host/LibreOfficeHost.h"
#include "cli/UndoRun.h"
#include "ui/ErrorLog.h"
#include "ui/FormSettings.h"
#include "ui/handlers/BatchDriver.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class UndoLastRunTest : public ::testing::Test {
 protected:
  // Two copies of the sample in src/, edited in place by the real office with
  // one rule; with restart, paused after the first and started again.
  void runInPlace(bool restart = false) {
    for (const char* name : {"a.xls", "b.xls"}) {
      sources.push_back(dir.copyFixture("sheets.xls", std::string("src/") + name));
      before.push_back(test::ReadFile(sources.back()));
    }
    form.Text4.text = dir / "src/";
    form.Text5.text = dir / "save/";  // asked for, though in place nothing goes there
    form.List1.items = {form.Text4.text};
    form.List2.items = sources;
    form.List3.items = {"1|A|done"};
    form.Check1.value = 1;
    dialogs.confirmAnswers = {true};
    driver.Command4_Click();
    if (restart) {
      driver.Timer1_Timer();
      driver.Command8_Click();
      dialogs.confirmAnswers = {true};
      driver.Command4_Click();
    }
    for (int ticks = 0; form.Timer1.enabled && ticks < 100; ++ticks) driver.Timer1_Timer();
  }

  // Answers the question with "撤销"; what the window then said.
  std::string undo() {
    dialogs.messages.clear();
    dialogs.confirmAnswers = {true};
    UndoLastRun(form, dialogs, runs);
    return dialogs.messages.empty() ? "" : dialogs.messages.back().first;
  }

  test::TempDir dir;
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  test::ScriptedClock clock{{2026, 12, 8, 9, 30, 0}};
  LogFile logFile{clock, dir.path() / "errors.log"};
  ui::ErrorLog log{form, logFile};
  InPlaceRuns runs{dir.path() / "runs", clock};
  WorkbookEngine engine{test::SharedHost(), log};
  BatchDriver driver{form,
                     {dialogs, clock, logFile, log.entries(),
                      [this](const std::string& p) { runs.process(engine, p, ui::RunSettingsOf(form)); },
                      [](const std::string&) {}, [] {}, &runs}};
  Strings sources, before;
};

// The question says where the originals are kept; 取消 takes nothing back;
// the undo puts back every workbook byte for byte unless the user changed it
// since, which it names with the reason; a second undo finds the originals in
// place; after a restart the run is still found; nothing is left beside the sources.
// The run was paused and started again: its one report holds the workbooks of both parts.
TEST_F(UndoLastRunTest, PutsBackTheOriginalsOfTheLastInPlaceRunAndSaysWhatItLeft) {
  runInPlace(true);
  ASSERT_EQ(dialogs.questions.size(), 2u);
  EXPECT_NE(dialogs.questions[0].find((dir.path() / "runs").string()), std::string::npos) << dialogs.questions[0];
  EXPECT_NE(dialogs.questions[0].find("撤销上次运行"), std::string::npos);
  for (size_t i = 0; i < sources.size(); ++i) ASSERT_TRUE(test::ReadFile(sources[i]) != before[i]) << i;
  const std::string report = runs.lastReport();
  EXPECT_EQ(report, (dir.path() / "runs/run-2026-12-08-093000.csv").string());
  EXPECT_EQ(InPlaceRuns(dir.path() / "runs", clock).lastReport(), report) << "found again after a restart";

  UndoLastRun(form, dialogs, runs);  // 取消, the default answer
  ASSERT_TRUE(test::ReadFile(sources[0]) != before[0]) << "取消 takes nothing back";

  std::ofstream(sources[1], std::ios::binary | std::ios::app) << "changed by the user";
  const std::string userBytes = test::ReadFile(sources[1]);
  const std::string said = undo();
  EXPECT_TRUE(test::ReadFile(sources[0]) == before[0]);
  EXPECT_TRUE(test::ReadFile(sources[1]) == userBytes);
  EXPECT_TRUE(said.starts_with("已换回原文件：1 个。\n没有换回：1 个——\n" + sources[1] + "：")) << said;
  EXPECT_NE(said.find("撤销的报告：" + UndoReportFor(report)), std::string::npos) << said;

  EXPECT_TRUE(undo().starts_with("已换回原文件：0 个。\n本来就是原文件（已撤销过）：1 个。"));
  EXPECT_EQ(dir.listing().find("src/."), std::string::npos) << dir.listing();
}

// Nothing is taken back while a run is under way or before any in-place run;
// a run that replaced nothing (every workbook vetoed) keeps no report.
TEST_F(UndoLastRunTest, RefusesWhileRunningOrWithoutARunThatReplacedSomething) {
  form.runState = ui::RunState::Paused;
  UndoLastRun(form, dialogs, runs);
  form.runState = ui::RunState::Idle;
  UndoLastRun(form, dialogs, runs);
  EXPECT_EQ(dialogs.messageTexts(), (Strings{kUndoWhileRunning, kNothingToUndo}));

  form.Text10.text = "1";
  form.Text13.text = "A";
  form.Text14.text = "不是这个";
  runInPlace();
  EXPECT_TRUE(test::ReadFile(sources[0]) == before[0]);
  EXPECT_EQ(runs.lastReport(), "");
  EXPECT_FALSE(fs::exists(dir.path() / "runs/run-2026-12-08-093000.csv"));
}

}  // namespace
}  // namespace sheetwise::batch
