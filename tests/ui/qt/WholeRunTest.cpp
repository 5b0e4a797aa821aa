// A whole run from the window through the real office: a folder of real
// workbooks chosen, a rule typed into the editor, "开始" pressed.

#include <QLabel>
#include <QScrollBar>
#include <QTimer>

#include "BookSnapshot.h"
#include "WindowFixture.h"
#include "XlsSnapshot.h"
#include "batch/WorkbookEngine.h"
#include "ui/FormSettings.h"

namespace sheetwise::test {
namespace {

using WholeRun = WindowFixture;

TEST_F(WholeRun, EditsAFolderOfRealWorkbooks) {
  const std::string source = (scratch.path() / "in").string();
  scratch.copyFixture("sheets.xls", "in/a.xls");
  std::filesystem::create_directories(scratch.path() / "in/部门");
  MakeBook("zip", scratch / "in/部门/c.xls");
  batch::WorkbookEngine engine{SharedHost(), log};
  process = [&](const std::string& path) { engine.ProcessWorkbook(path, ui::RunSettingsOf(form)); };

  click("Command11");
  click("Command12");  // 取消 locks the source folder again
  EXPECT_FALSE(widget<QWidget>("Command2").isEnabled());
  click("Command11");  // 确定: the sheet name Sheet1
  dialogs.folderAnswers = {source, (scratch.path() / "out").string()};
  click("Command2");
  auto& queue = widget<QListWidget>("List2");
  EXPECT_EQ(queue.count(), 2);
  EXPECT_EQ(queue.horizontalScrollBar()->maximum(), 2000 - queue.viewport()->width());
  click("Command5");
  type("Text1", "1");
  type("Text2", "c");
  type("Text3", "窗口");
  click("Command1");
  widget<QScrollBar>("HScroll1").setValue(5);
  dialogs.messages.clear();  // the folder summary
  click("Command4");
  auto& timer = widget<QTimer>("Timer1");
  EXPECT_EQ(timer.interval(), 5);
  EXPECT_FALSE(widget<QWidget>("Frame1").isEnabled());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !timer.isActive(); }, 60000));

  EXPECT_EQ(ReadWithXlrd(scratch / "out/a.xls").sheets[0].value(1, 3), "窗口");
  // The log keeps the entry's own text; the list shows its date, problem and
  // file name, the whole path on hover; beside "ok" the run's counts.
  EXPECT_EQ(form.List4.items, Lines{"处理异常：" + source + "/部门/c.xls"});
  EXPECT_EQ(shownLines("List4"), Lines{"2024-05-06 07:08:09  文件损坏或无法打开  c.xls"});
  EXPECT_TRUE(widget<QListWidget>("List4").item(0)->toolTip().startsWith(QString::fromStdString(source + "/部门/c.xls\n")));
  EXPECT_EQ(dialogs.messageTexts(), Lines{"ok"});
  EXPECT_EQ(widget<QLabel>("runSummary").text(), "共 2 个文件：已处理 1，<a href=\"5\">失败 1</a>");
  EXPECT_EQ(queue.count(), 0);
  EXPECT_TRUE(widget<QWidget>("Frame1").isEnabled());
  EXPECT_EQ(widget<QWidget>("Shape2").width(), widget<QWidget>("Shape1").width());
}

}  // namespace
}  // namespace sheetwise::test
