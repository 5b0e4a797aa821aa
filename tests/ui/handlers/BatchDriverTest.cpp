#include "ui/handlers/BatchDriver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
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
#include "ui/EntryKinds.h"
#include "ui/ErrorLog.h"
#include "ui/FormSettings.h"
#include "ui/OfficeMissing.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class BatchDriverTest : public ::testing::Test {
 protected:
  BatchDriverTest() {
    form.Text4.text = "/src/";
    form.Text5.text = dir / "save/";
  }

  void queue(int n) { for (int i = 0; i < n; ++i) form.List2.items.push_back("/src/" + std::to_string(i) + ".xls"); }
  // Ticks while the timer runs, as the window's timer would.
  void runToTheEnd() { for (int ticks = 0; form.Timer1.enabled && ticks < 1000; ++ticks) driver.Timer1_Timer(); }

  test::TempDir dir;
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
  test::ScriptedClock clock{{2026, 12, 6, 9, 30, 0}};
  LogFile logFile{clock, dir.path() / "errors.log"};
  ui::ErrorLog log{form, logFile};
  Strings processed, extracted;
  int cleanUps = 0;
  std::optional<WorkbookEngine> engine;
  // Copies of the sample in in/, one rule, each workbook edited by the real office into out/.
  void realFolder(const Strings& names) {
    for (const auto& name : names) form.List2.items.push_back(dir.copyFixture("sheets.xls", "in/" + name));
    form.Text4.text = dir / "in/";
    form.Text5.text = dir / "out/";
    form.List1.items = {form.Text4.text};
    form.List3.items = {"1|A|done"};
    engine.emplace(test::SharedHost(), log);
    process = [this](const std::string& p) { engine->ProcessWorkbook(p, ui::RunSettingsOf(form)); };
  }
  std::function<void(const std::string&)> process = [this](const std::string& p) { processed.push_back(p); };
  BatchDriver driver{form,
                     {dialogs, clock, logFile, log.entries(), [this](const std::string& p) { process(p); },
                      [this](const std::string& p) { extracted.push_back(p); }, [this] { ++cleanUps; }}};
};

// Speed read per file, office ended every tenth tick and at the end; extraction mode extracts.
TEST_F(BatchDriverTest, ARunLocksThePanelsProcessesTheQueueAndEndsWithOk) {
  queue(12);
  driver.Command4_Click();
  EXPECT_FALSE(form.Frame1.enabled || form.Command2.enabled || form.Command5.enabled || form.Frame2.enabled);
  EXPECT_FALSE(form.Check1.enabled);
  form.HScroll1.value = 1200;
  driver.Timer1_Timer();
  EXPECT_EQ(form.Timer1.interval, 1200);
  EXPECT_FLOAT_EQ(form.Shape2.width, form.Shape1.width / 12);
  EXPECT_EQ(form.Label8.caption, "估计剩下：5.5 秒");
  runToTheEnd();
  EXPECT_EQ(processed.size(), 12u);
  EXPECT_EQ(cleanUps, 2);
  EXPECT_EQ(dialogs.messages, (decltype(dialogs.messages){{"ok", ui::MessageStyle::Information}}));
  EXPECT_TRUE(form.Frame1.enabled && form.Command2.enabled && form.Command5.enabled && form.Frame2.enabled);

  queue(2);
  form.Check2.value = 1;
  driver.Command4_Click();
  runToTheEnd();
  EXPECT_EQ(extracted, (Strings{"/src/0.xls", "/src/1.xls"}));
  EXPECT_EQ(processed.size(), 12u);
}

// 继续 resumes only a paused run: not before a start, after a refused start, or after the end.
TEST_F(BatchDriverTest, ContinueResumesOnlyAPausedRun) {
  queue(3);
  driver.Command7_Click();
  EXPECT_FALSE(form.Timer1.enabled || form.Command7.enabled);

  driver.Command4_Click();
  driver.Timer1_Timer();
  driver.Command8_Click();
  EXPECT_TRUE(form.Command7.enabled && !form.Timer1.enabled);
  driver.Command7_Click();
  EXPECT_TRUE(form.Timer1.enabled && !form.Command7.enabled);

  driver.Command6_Click();
  form.Text5.text = "";  // the plan is now refused
  driver.Command4_Click();
  EXPECT_EQ(dialogs.messageTexts(), Strings{"保存的目录有误"});
  driver.Command7_Click();
  driver.Timer1_Timer();  // a late timeout
  EXPECT_FALSE(form.Timer1.enabled || form.Command7.enabled);
  EXPECT_TRUE(form.Frame1.enabled && form.Command5.enabled && form.Frame2.enabled);
  EXPECT_EQ(form.List2.items.size(), 2u);

  form.Text5.text = dir / "save/";
  driver.Command4_Click();
  runToTheEnd();
  driver.Command7_Click();
  EXPECT_FALSE(form.Timer1.enabled);
  EXPECT_EQ(processed.size(), 3u);
}

// Saving over the sources is asked first; 取消 (the default) starts nothing and leaves the files untouched.
TEST_F(BatchDriverTest, AnInPlaceStartAsksFirstAndCancelTouchesNothing) {
  const std::string book = dir.copyFixture("sheets.xls", "src/a.xls");
  const std::string bytes = test::ReadFile(book);
  form.Text4.text = dir / "src/";
  form.List1.items = {form.Text4.text};
  form.List2.items = {book, dir.copyFixture("sheets.xls", "src/b.xls")};
  form.Check1.value = 1;
  Check1_Click(form);
  EXPECT_FALSE(form.Text6.enabled || form.Text7.enabled || form.Text8.enabled || form.Text11.enabled);
  EXPECT_TRUE(form.Text12.enabled);

  driver.Command4_Click();
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_NE(dialogs.questions[0].find("改写 2 个源文件"), std::string::npos) << dialogs.questions[0];
  EXPECT_NE(dialogs.questions[0].find("原文件不会保留"), std::string::npos) << dialogs.questions[0];
  driver.Command7_Click();
  for (int i = 0; i < 3; ++i) driver.Timer1_Timer();
  EXPECT_TRUE(processed.empty());
  EXPECT_TRUE(form.Frame1.enabled && !form.Timer1.enabled);
  EXPECT_EQ(form.List2.items.size(), 2u);
  EXPECT_EQ(test::ReadFile(book), bytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "src/"), fs::directory_iterator()), 2);

  dialogs.confirmAnswers = {true};
  driver.Command4_Click();
  EXPECT_TRUE(form.Timer1.enabled);
  EXPECT_FALSE(form.Check1.enabled) << "no run turns to saving over its sources unasked";
  driver.Command6_Click();  // a pause keeps the panels locked; in place no mirrored folder is made
  EXPECT_FALSE(form.Frame1.enabled || fs::exists(dir / "save"));
  form.Check1.value = 0;
  Check1_Click(form);
  EXPECT_TRUE(form.Text6.enabled && form.Text7.enabled && form.Text8.enabled && form.Text11.enabled);
}

// Every refusal starts nothing and makes no folder; a save folder inside the source is no source.
TEST_F(BatchDriverTest, StartRefusesBadSettingsAndPlansWithTheirMessages) {
  for (const char* name : {"src/a1.xls", "src/b1.xls", "src/sub/a1.xls", "src/keep/c1.xls"}) {
    dir.copyFixture("sheets.xls", name);
  }
  const std::string src = dir / "src/", out = dir / "out/";
  const FolderTree tree = ScanFolderTree(src);
  form.List1.items = tree.folders;
  form.List2.items = tree.workbooks.strings();
  form.Text7.text = "b1";
  const std::tuple<std::string, std::string, std::string, std::string, std::string> cases[] = {
      {src, "", "", "", "保存的目录有误"},
      {src, "/data/out_2024/", "_2024", "", "如果你需要替换文件夹名，前提你保存的位置不能存在该字符"},
      {"/", out, "", "", kChooseSourceFirst},
      {src, out, "", "a1", "会保存为同一个文件"},
      {src, src, "", "", src + "a1.xls 的保存位置是要处理的文件：" + src + "a1.xls"},
      {src, src + "sub/", "", "", src + "a1.xls 的保存位置是源目录中已有的文件：" + src + "sub/a1.xls"}};
  for (const auto& [source, save, pathFrom, nameFrom, message] : cases) {
    dialogs.messages.clear();
    form.Text4.text = source;
    form.Text5.text = save;
    form.Text12.text = pathFrom;
    form.Text6.text = nameFrom;
    driver.Command4_Click();
    ASSERT_EQ(dialogs.messages.size(), 1u) << "case " << message;
    EXPECT_NE(dialogs.messages[0].first.find(message), std::string::npos) << dialogs.messages[0].first;
    EXPECT_TRUE(!form.Timer1.enabled && form.Frame1.enabled) << "case " << message;
  }
  EXPECT_FALSE(fs::exists(dir / "out"));

  form.Text5.text = dir / "src/keep/";
  driver.Command4_Click();
  EXPECT_TRUE(form.Timer1.enabled);
  EXPECT_EQ(form.List2.items, (Strings{src + "a1.xls", src + "b1.xls"}));
}

// An unwritable log is told once; without an office the run stops once, the file in hand kept queued.
TEST_F(BatchDriverTest, AnUnwritableLogAndAMissingOfficeAreEachToldOnce) {
  queue(4);
  fs::create_directory(dir / "errors.log");  // a folder where the log file should be
  process = [this](const std::string& p) {
    if (form.List4.items.size() == 2) throw host::HostUnavailable("LibreOffice could not be started: test");
    log.setlog(ProcessingErrorEntry(p));
  };
  driver.Command4_Click();
  runToTheEnd();
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_NE(dialogs.messages[0].first.find("errors.log"), std::string::npos);
  EXPECT_EQ(dialogs.messages[1].first, ui::RunStoppedForOfficeMessage("LibreOffice could not be started: test"));
  EXPECT_TRUE(!form.Timer1.enabled && form.Frame1.enabled && form.Command2.enabled && form.Frame2.enabled);
  EXPECT_EQ(form.List2.items, (Strings{"/src/2.xls", "/src/3.xls"}));
}

// Fields act as they stand at each workbook; copies go to mirrored, renamed, dated folders, empty ones unmade.
TEST_F(BatchDriverTest, EditsARealFolderWithTheFieldsAsTheyStandAtEachWorkbook) {
  realFolder({"a.xls", "旧/b.xls", "旧/c.xls"});
  fs::create_directories(dir / "in/空");  // no workbook: its mirrored folder is never made
  form.List1.items = {form.Text4.text, form.Text4.text + "旧/", form.Text4.text + "空/"};
  form.Text8.text = "日期_";
  form.Text12.text = "旧";
  form.Text11.text = "新";
  driver.Command4_Click();
  driver.Timer1_Timer();
  form.List3.items = {"1|A|second"};
  driver.Timer1_Timer();
  form.Text10.text = "1";
  form.Text13.text = "A";
  form.Text14.text = "not there";
  runToTheEnd();
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/2026-12-06_a.xls").sheets[0].value(1, 1), "done");
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/新/2026-12-06_b.xls").sheets[0].value(1, 1), "second");
  EXPECT_NE(test::ReadWithXlrd(dir / "out/新/2026-12-06_c.xls").sheets[0].value(1, 1), "second");
  EXPECT_FALSE(fs::exists(dir / "out/空"));
  EXPECT_EQ(form.List4.items, Strings{VetoEntry(dir / "in/旧/c.xls")});
  EXPECT_EQ(dialogs.messageTexts(), Strings{"ok"});
}

// Each workbook counts once by its outcome, each entry gets its kind; a lock file stands for another program.
TEST_F(BatchDriverTest, ARunCountsEveryOutcomeAndNamesEachKind) {
  realFolder({"a.xls", "b.xls", "bad.xls", "c.xls", "d.xls", "e.xls"});
  std::ofstream(dir / "in/bad.xls", std::ios::trunc) << "not a workbook";
  std::ofstream(dir / "in/.~lock.d.xls#") << "someone";
  const std::function<void()> before[] = {
      [] {},
      [&] { form.Text10.text = "1", form.Text13.text = "A", form.Text14.text = "not there"; },
      [&] { form.Text10.text = ""; },
      [&] { form.List3.items = {"0|A|x"}; },
      [&] { form.List3.items = {"1|A|done"}, form.Check1.value = 1; },
      [&] { form.Check1.value = 0, form.Text9.text = "不存在"; }};
  driver.Command4_Click();
  for (const auto& change : before) {
    change();
    driver.Timer1_Timer();
  }
  const auto c = test::ReadFile(dir / "in/c.xls");
  runToTheEnd();
  EXPECT_EQ(dialogs.messageTexts(), Strings{"ok"});
  EXPECT_EQ(ui::TallyText(form.tally, true), "共 6 个文件：已处理 1，有差异 0，未校验 0，否决 1，拒绝 1，失败 3");
  EXPECT_EQ(ui::TallyText(form.tally, false), "共 6 个文件：已处理 1，否决 1，拒绝 1，失败 3");
  Strings kinds;
  for (const auto& entry : log.entries()) kinds.push_back(ui::KindOf(entry.cause).kind);
  EXPECT_EQ(kinds, (Strings{"被否定条件跳过", "文件损坏或无法打开", "规则无法读取", "文件被占用", "找不到工作表"}));
  EXPECT_EQ(test::ReadFile(dir / "in/c.xls"), c) << "a failed rule leaves its source as it was";
  EXPECT_EQ(test::ReadWithXlrd(dir / "out/a.xls").sheets[0].value(1, 1), "done");
  EXPECT_FALSE(fs::exists(dir / "out/c.xls"));
}

// Every cause has its own kind, the right run count, and a hint saying what became of the source or copy.
TEST(EntryKinds, EachCauseHasItsOwnKindAHintAndACount) {
  const std::tuple<EntryCause, ui::RunCount, const char*> causes[] = {
      {EntryCause::Vetoed, ui::RunCount::Vetoed, "文件未被改动"},
      {EntryCause::InUse, ui::RunCount::Refused, "源文件未被改动"},
      {EntryCause::CannotOpen, ui::RunCount::Failed, "源文件未被改动"},
      {EntryCause::SheetMissing, ui::RunCount::Failed, "源文件未被改动"},
      {EntryCause::VetoUnreadable, ui::RunCount::Failed, "源文件未被改动"},
      {EntryCause::RuleUnreadable, ui::RunCount::Failed, "源文件未被改动"},
      {EntryCause::RuleFailed, ui::RunCount::Failed, "源文件未被改动"},
      {EntryCause::OutputIsSource, ui::RunCount::Refused, "源文件未被改动"},
      {EntryCause::InPlaceRefused, ui::RunCount::Refused, "源文件未被改动"},
      {EntryCause::CopyRefused, ui::RunCount::Refused, "副本没有写入"},
      {EntryCause::SaveFailed, ui::RunCount::Failed, "源文件未被改动"},
      {EntryCause::CopyDiffers, ui::RunCount::Differs, "副本已经写入"},
      {EntryCause::Unchecked, ui::RunCount::Unchecked, "副本已经写入"},
      {EntryCause::ExtractionFailed, ui::RunCount::Failed, "没有全部读出"},
      {EntryCause::Unknown, ui::RunCount::Failed, "原因"}};
  std::set<std::string> kinds;
  for (const auto& [cause, count, said] : causes) {
    const ui::EntryKind kind = ui::KindOf(cause);
    EXPECT_TRUE(kinds.insert(kind.kind).second) << kind.kind;
    EXPECT_NE(kind.hint.find(said), std::string::npos) << kind.kind << ": " << kind.hint;
    EXPECT_EQ(ui::CountOf(cause), count) << kind.kind;
  }
}

}  // namespace
}  // namespace sheetwise::batch
