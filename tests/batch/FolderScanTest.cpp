#include "batch/FolderScan.h"
#include "batch/FolderChoice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScriptedDialogs.h"
#include "TestPaths.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

// Remembers the prompts the folder chooser was shown with.
class PromptRecordingDialogs : public test::ScriptedDialogs {
 public:
  Strings folderPrompts;
  std::string chooseFolder(const std::string& title) override {
    folderPrompts.push_back(title);
    return ScriptedDialogs::chooseFolder(title);
  }
};

class FolderScanTest : public ::testing::Test {
 protected:
  // Chooses folder (given without the trailing "/") as the source folder.
  void chooseSource(const std::string& folder) {
    dialogs.folderAnswers.push_back(folder);
    ChooseSourceFolder(form, dialogs);
  }
  std::string at(const std::string& relative) const { return dir.path().string() + "/" + relative; }

  test::TempDir dir;
  ui::Form1 form;
  PromptRecordingDialogs dialogs;
};

// tree/ with two levels of subfolders, hidden ones, files that are not
// workbooks, a folder named like a workbook and links that go nowhere.
class TreeScanTest : public FolderScanTest {
 protected:
  void SetUp() override {
    for (const char* file : {"tree/a.xls", "tree/B.XLS", "tree/notes.txt", "tree/book.xlsx", "tree/xls",
                             "tree/.hidden.xls", "tree/sub1/c.xls", "tree/sub1/deep/d.Xls", "tree/sub2/e.xls",
                             "tree/sub2/f.xls.bak", "tree/.git/g.xls", "tree/.git/inner/h.xls"}) {
      Touch(dir.path() / file);
    }
    fs::create_directories(dir.path() / "tree/folder.xls");
    fs::create_symlink("nowhere", dir.path() / "tree/dangling");
    fs::create_symlink("selfloop", dir.path() / "tree/selfloop");
    ASSERT_EQ(::mkfifo(at("tree/pipe.xls").c_str(), 0644), 0);
  }
};

TEST_F(TreeScanTest, WalksBreadthFirstAndQueuesTheWorkbooksFolderByFolder) {
  chooseSource(at("tree"));

  EXPECT_EQ(form.Text4.text, at("tree/"));
  EXPECT_EQ(form.List1.items,
            (Strings{at("tree/"), at("tree/folder.xls/"), at("tree/sub1/"), at("tree/sub2/"), at("tree/sub1/deep/")}));
  EXPECT_EQ(form.List2.items, (Strings{at("tree/B.XLS"), at("tree/a.xls"), at("tree/sub1/c.xls"), at("tree/sub2/e.xls"),
                                       at("tree/sub1/deep/d.Xls")}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  // The counts, then what was passed over and why (translated in the window).
  EXPECT_EQ(dialogs.messages[0].first, "5个目录路径\n5个文件\n估计需要 2.5 秒\nskipped: " + at("tree/dangling") +
                                           " is a link to something that does not exist\nskipped: " +
                                           at("tree/selfloop") + " is a link that leads back to itself");
  EXPECT_EQ(dialogs.messages[0].second, ui::MessageStyle::Plain);
  EXPECT_EQ(dialogs.folderPrompts, (Strings{"请选择目录"}));
}

TEST_F(TreeScanTest, AFolderThatCannotBeListedAddsNothingAndStopsNothing) {
  if (::geteuid() == 0) GTEST_SKIP() << "root lists folders whatever their permissions";
  fs::permissions(dir.path() / "tree/sub1", fs::perms::none);
  chooseSource(at("tree"));
  EXPECT_EQ(form.List1.items, (Strings{at("tree/"), at("tree/folder.xls/"), at("tree/sub1/"), at("tree/sub2/")}));
  EXPECT_EQ(form.List2.items, (Strings{at("tree/B.XLS"), at("tree/a.xls"), at("tree/sub2/e.xls")}));
}

TEST_F(FolderScanTest, PathsThatCannotBeListedGiveNothing) {
  Touch(dir.path() / "file.txt");
  for (const std::string& folder : {at("missing/"), at("file.txt/"), std::string()}) {
    Strings folders = {"kept"};
    ListSubfolders(folders, folder);
    EXPECT_EQ(folders, (Strings{"kept"})) << folder;
    EXPECT_TRUE(ListWorkbooks(folder).empty()) << folder;
  }
}

TEST_F(FolderScanTest, FollowsFolderLinksButNotBackToTheirOwnPath) {
  Touch(dir.path() / "tree/real/x.xls");
  fs::create_directory_symlink("real", dir.path() / "tree/link");
  fs::create_directory_symlink("..", dir.path() / "tree/real/up");
  fs::create_directory_symlink(dir.path(), dir.path() / "tree/outer");  // the source folder's parent

  chooseSource(at("tree"));
  EXPECT_EQ(form.List1.items, (Strings{at("tree/"), at("tree/link/"), at("tree/real/")}));
  EXPECT_EQ(form.List2.items, (Strings{at("tree/link/x.xls"), at("tree/real/x.xls")}));
}

TEST_F(FolderScanTest, BuiltPathsHaveTheirDoubledSeparatorsCollapsed) {
  Touch(dir.path() / "src/sub/a.xls");
  Touch(dir.path() / "src/b.xls");
  const std::string chosen = dir.path().string() + "//src";

  chooseSource(chosen);
  EXPECT_EQ(form.List1.items, (Strings{chosen + "/", at("src/sub/")}));
  EXPECT_EQ(form.List2.items, (Strings{at("src/b.xls"), at("src/sub/a.xls")}));
}

// Half a second per file whatever the speed; a path that ends in "/" is kept
// as it is.
TEST_F(FolderScanTest, TheSummaryCountsFoldersAndFilesWithTheEstimate) {
  fs::create_directory(dir.path() / "empty");
  chooseSource(at("empty/"));
  EXPECT_EQ(form.List1.items, (Strings{at("empty/")}));
  for (int i = 0; i < 7; ++i) Touch(dir.path() / "src" / ("w" + std::to_string(i) + ".xls"));
  form.HScroll1.value = 2000;
  chooseSource(at("src"));
  EXPECT_EQ(dialogs.messageTexts(),
            (Strings{"1个目录路径\n0个文件\n估计需要 0.0 秒", "1个目录路径\n7个文件\n估计需要 3.5 秒"}));
  EXPECT_EQ(EstimatedSeconds(100001), "50000.5");
}

TEST_F(FolderScanTest, ASecondChoiceReplacesBothListsAndClearsTheirSelection) {
  Touch(dir.path() / "one/sub/a.xls");
  fs::create_directory(dir.path() / "two");
  chooseSource(at("one"));
  form.List2.selection = 0;

  chooseSource(at("two"));
  EXPECT_EQ(form.List1.items, (Strings{at("two/")}));
  EXPECT_TRUE(form.List2.items.empty());
  EXPECT_EQ(form.List2.selection, -1);
  EXPECT_EQ(dialogs.messages.size(), 2u);
}

class EarlierScanTest : public FolderScanTest {
 protected:
  void SetUp() override {
    form.Text4.text = "/old/";
    form.List1.items = {"/old/", "/old/sub/"};
    form.List2.items = {"/old/a.xls"};
  }
  void expectListsKept() {
    EXPECT_EQ(form.List1.items, (Strings{"/old/", "/old/sub/"}));
    EXPECT_EQ(form.List2.items, (Strings{"/old/a.xls"}));
  }
};

TEST_F(EarlierScanTest, ACancelledChoiceOnlyShowsTheSeparator) {
  ChooseSourceFolder(form, dialogs);
  EXPECT_EQ(form.Text4.text, "/");
  expectListsKept();
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(EarlierScanTest, WithoutASheetNameNothingIsAsked) {
  form.Text9.text.clear();
  fs::create_directory(dir.path() / "src");
  chooseSource(at("src"));
  EXPECT_TRUE(dialogs.folderPrompts.empty());
  EXPECT_EQ(form.Text4.text, "/old/");
  expectListsKept();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].first, "表明不正确");
  EXPECT_EQ(dialogs.messages[0].second, ui::MessageStyle::Information);
}

TEST_F(FolderScanTest, TheSaveFolderEndsWithASeparatorAndIsEmptiedByCancel) {
  form.Text9.text.clear();  // the save choice needs no sheet name
  dialogs.folderAnswers = {"/out", "/out/"};
  for (const char* expected : {"/out/", "/out/", ""}) {
    ChooseSaveFolder(form, dialogs);
    EXPECT_EQ(form.Text5.text, expected);
  }
  EXPECT_EQ(dialogs.folderPrompts, (Strings(3, "请选择目录")));
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace sheetwise::batch
