#include "ui/handlers/FolderChoice.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScriptedDialogs.h"
#include "TestPaths.h"
#include "Unprivileged.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// tree/ with two levels of subfolders, hidden ones, files that are not
// workbooks, a folder and a pipe named like workbooks, a link to a subfolder,
// links back up the tree and links that go nowhere.
class FolderScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"tree/a.xls", "tree/B.XLS", "tree/book.xlsx", "tree/xls", "tree/.hidden.xls",
                             "tree/sub1/c.xls", "tree/sub1/deep/d.Xls", "tree/sub2/e.xls", "tree/.git/g.xls"}) {
      fs::create_directories((dir.path() / file).parent_path());
      std::ofstream(dir.path() / file) << "x";
    }
    fs::create_directories(dir.path() / "tree/folder.xls");
    fs::create_directory_symlink("sub2", dir.path() / "tree/link");
    fs::create_directory_symlink("..", dir.path() / "tree/sub2/up");
    fs::create_directory_symlink(dir.path(), dir.path() / "tree/outer");  // the source folder's parent
    fs::create_symlink("nowhere", dir.path() / "tree/dangling");
    fs::create_symlink("selfloop", dir.path() / "tree/selfloop");
    ASSERT_EQ(::mkfifo(at("tree/pipe.xls").c_str(), 0644), 0);
  }
  // Chooses folder (given without the trailing "/") as the source folder.
  void chooseSource(const std::string& folder) {
    dialogs.folderAnswers.push_back(folder);
    ChooseSourceFolder(form, dialogs);
  }
  std::string at(const std::string& relative) const { return dir / relative; }

  test::TempDir dir;
  ui::Form1 form;
  test::ScriptedDialogs dialogs;
};

// The chosen path is kept as it is; the paths built from it lose their doubled
// separators. A second choice replaces both lists and clears their selection.
TEST_F(FolderScanTest, WalksBreadthFirstAndQueuesTheWorkbooksFolderByFolder) {
  const std::string chosen = dir.path().string() + "//tree";
  chooseSource(chosen);
  EXPECT_EQ(form.Text4.text, chosen + "/");
  EXPECT_EQ(form.List1.items, (Strings{chosen + "/", at("tree/folder.xls/"), at("tree/link/"), at("tree/sub1/"),
                                       at("tree/sub2/"), at("tree/sub1/deep/")}));
  EXPECT_EQ(form.List2.items, (Strings{at("tree/B.XLS"), at("tree/a.xls"), at("tree/link/e.xls"),
                                       at("tree/sub1/c.xls"), at("tree/sub2/e.xls"), at("tree/sub1/deep/d.Xls")}));
  // The counts, then what was passed over and why (translated in the window).
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].first, "6个目录路径\n6个文件\n估计需要 3.0 秒\nskipped: " + at("tree/dangling") +
                                           " is a link to something that does not exist\nskipped: " +
                                           at("tree/selfloop") + " is a link that leads back to itself");

  form.List2.selection = 0;
  chooseSource(at("tree/sub2"));
  EXPECT_EQ(form.List1.items, (Strings{at("tree/sub2/")}));
  EXPECT_EQ(form.List2.items, (Strings{at("tree/sub2/e.xls")}));
  EXPECT_EQ(form.List2.selection, -1);
}

// Run as an unprivileged user, for whom the permissions count: sub1 and the
// folder and workbook below it are left out, the rest is found.
TEST_F(FolderScanTest, AFolderThatCannotBeListedAddsNothingAndStopsNothing) {
  fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(dir.path() / "tree/sub1", fs::perms::none);
  const std::string summary = test::AsUnprivileged([&] {
    chooseSource(at("tree"));
    return dialogs.messages.empty() ? std::string() : dialogs.messages[0].first;
  });
  EXPECT_TRUE(summary.starts_with("5个目录路径\n4个文件\n")) << summary;
}

// Without a sheet name no source folder is asked for; the save folder needs
// none. A cancelled source choice leaves "/" with the earlier lists.
TEST_F(FolderScanTest, RefusedAndCancelledChoicesKeepTheEarlierLists) {
  form.Text4.text = "/old/";
  form.List2.items = {"/old/a.xls"};
  form.Text9.text.clear();
  dialogs.folderAnswers = {"/out"};
  ChooseSourceFolder(form, dialogs);
  EXPECT_EQ(form.Text4.text, "/old/");
  EXPECT_EQ(dialogs.messageTexts(), Strings{"表明不正确"});
  for (const char* expected : {"/out/", ""}) {
    ChooseSaveFolder(form, dialogs);
    EXPECT_EQ(form.Text5.text, expected);
  }
  form.Text9.text = "Sheet1";
  ChooseSourceFolder(form, dialogs);
  EXPECT_EQ(form.Text4.text, "/");
  EXPECT_EQ(form.List2.items, Strings{"/old/a.xls"});
}

}  // namespace
}  // namespace sheetwise::batch
