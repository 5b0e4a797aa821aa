// A whole run from the window through the real office: a folder of real
// workbooks chosen, a rule typed into the editor, "开始" pressed.

#include <QLineEdit>
#include <QTimer>

#include "WindowFixture.h"
#include "XlsSnapshot.h"
#include "batch/WorkbookEngine.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::test {
namespace {

using Lines = std::vector<std::string>;
using WholeRun = WindowFixture;

TEST_F(WholeRun, EditsAFolderOfRealWorkbooks) {
  const std::string source = (scratch.path() / "in").string();
  scratch.copyFixture("sheets.xls", "in/a.xls");
  scratch.copyFixture("second_active.xls", "in/部门/b.xls");
  scratch.copyFixture("sheets.xlsx", "in/部门/c.xls");
  batch::WorkbookEngine engine{SharedHost(), log};
  process = [&](const std::string& path) { engine.ProcessWorkbook(path, ui::RunSettingsOf(form)); };

  click("Command11");  // 确定: the sheet name Sheet1
  dialogs.folderAnswers = {source, (scratch.path() / "out").string()};
  click("Command2");
  click("Command5");
  type("Text1", "1");
  type("Text2", "c");
  type("Text3", "窗口");
  click("Command1");
  EXPECT_EQ(shownLines("List3"), Lines{"1|C|窗口"});
  dialogs.messages.clear();  // the folder summary
  click("Command4");
  EXPECT_TRUE(QTest::qWaitFor([&] { return !widget<QTimer>("Timer1").isActive(); }, 60000));

  EXPECT_EQ(ReadWithXlrd(scratch / "out/a.xls").sheets[0].value(1, 3), "窗口");
  EXPECT_EQ(ReadWithXlrd(scratch / "out/部门/b.xls").sheets[0].value(1, 3), "窗口");
  EXPECT_EQ(shownLines("List4"), Lines{"处理异常：" + source + "/部门/c.xls"});
  EXPECT_EQ(dialogs.messageTexts(), Lines{"ok"});
}

}  // namespace
}  // namespace sheetwise::test
