#include "ui/handlers/FolderChoice.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScriptedDialogs.h"
#include "batch/FolderScan.h"
#include "TestPaths.h"
#include "Unprivileged.h"
#include "ui/FormSettings.h"

namespace sheetwise::batch {
namespace {
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// tree/ with two levels of subfolders, hidden ones, files that are not
// workbooks, files of the other kinds, a folder and pipes named like workbooks, a link to a subfolder,
// links back up the tree and links that go nowhere.
class FolderScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"tree/a.xls", "tree/B.XLS", "tree/book.xlsx", "tree/xls", "tree/.hidden.xls",
                             "tree/sub1/c.xls", "tree/sub1/deep/d.Xls", "tree/sub2/e.xls", "tree/.git/g.xls",
                             "tree/g.xlsm", "tree/i.csv", "tree/sub1/f.XLSX", "tree/sub2/h.ods"}) {
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
    ASSERT_EQ(::mkfifo(at("tree/pipe.ods").c_str(), 0644), 0);
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
// separators. The link to sub2 adds nothing: sub2 is walked once, under its own
// path. A second choice replaces both lists and clears their selection.
TEST_F(FolderScanTest, WalksBreadthFirstAndQueuesTheWorkbooksFolderByFolder) {
  const std::string chosen = dir.path().string() + "//tree";
  chooseSource(chosen);
  EXPECT_EQ(form.Text4.text, chosen + "/");
  EXPECT_EQ(form.List1.items, (Strings{chosen + "/", at("tree/folder.xls/"), at("tree/sub1/"), at("tree/sub2/"),
                                       at("tree/sub1/deep/")}));
  EXPECT_EQ(form.List2.items, (Strings{at("tree/B.XLS"), at("tree/a.xls"), at("tree/sub1/c.xls"),
                                       at("tree/sub2/e.xls"), at("tree/sub1/deep/d.Xls")}));
  // The counts, then what was passed over and why (translated in the window).
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].first, "5个目录路径\n5个文件\n估计需要 2.5 秒\nskipped: " + at("tree/dangling") +
                                           " is a link to something that does not exist\nskipped: " +
                                           at("tree/pipe.xls") + " is a named pipe (FIFO), not a workbook file\nskipped: " +
                                           at("tree/selfloop") + " is a link that leads back to itself");

  form.List2.selection = 0;
  chooseSource(at("tree/sub2"));
  EXPECT_EQ(form.List1.items, (Strings{at("tree/sub2/")}));
  EXPECT_EQ(form.List2.items, (Strings{at("tree/sub2/e.xls")}));
  EXPECT_EQ(form.List2.selection, -1);
}

// The kinds checked beside the file list choose what the scan queues: .xls
// alone by default, under the usual caption; more kinds, in any letter
// case and with what is skipped for them, under a caption naming them; a folder
// chosen already is walked again. Nothing checked is .xls alone again.
TEST_F(FolderScanTest, TheKindsCheckedBesideTheFileListChooseWhatIsQueued) {
  const std::string caption = "文件列表[ 只针对 Office Execl 2003的文件 ]";
  EXPECT_EQ(form.Frame15.caption, caption);
  EXPECT_EQ(ui::KindsOf(form), WorkbookKinds());
  form.TypeXlsx.value = form.TypeXlsm.value = form.TypeOds.value = 1;
  KindsChanged(form);
  EXPECT_EQ(form.Frame15.caption, "文件列表[ 只针对 .xls .xlsx .xlsm .ods 文件 ]");
  EXPECT_TRUE(form.List2.items.empty());  // no folder yet
  chooseSource(at("tree"));
  EXPECT_EQ(form.List2.items, (Strings{at("tree/B.XLS"), at("tree/a.xls"), at("tree/book.xlsx"), at("tree/g.xlsm"),
                                       at("tree/sub1/c.xls"), at("tree/sub1/f.XLSX"), at("tree/sub2/e.xls"),
                                       at("tree/sub2/h.ods"), at("tree/sub1/deep/d.Xls")}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].first.find("skipped: " + at("tree/pipe.ods") + " is a named pipe (FIFO)"),
            std::string::npos);

  form.TypeXls.value = form.TypeXlsx.value = form.TypeXlsm.value = form.TypeOds.value = 0;
  KindsChanged(form);
  EXPECT_EQ(form.TypeXls.value, 1);
  EXPECT_EQ(form.Frame15.caption, caption);
  EXPECT_EQ(form.List2.items, (Strings{at("tree/B.XLS"), at("tree/a.xls"), at("tree/sub1/c.xls"),
                                       at("tree/sub2/e.xls"), at("tree/sub1/deep/d.Xls")}));
}

// Run as an unprivileged user, for whom the permissions count: the folder and
// workbook below sub1 are left out, the rest is found.
TEST_F(FolderScanTest, AFolderThatCannotBeListedAddsNothingAndStopsNothing) {
  fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(dir.path() / "tree/sub1", fs::perms::none);
  const std::string summary = test::AsUnprivileged([&] {
    chooseSource(at("tree"));
    return dialogs.messages.empty() ? std::string() : dialogs.messages[0].first;
  });
  EXPECT_TRUE(summary.starts_with("4个目录路径\n3个文件\n")) << summary;
  EXPECT_NE(summary.find("skipped: no permission to open the folder " + at("tree/sub1")), std::string::npos) << summary;
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

// A chain of folders, made and removed through their parents' descriptors:
// its paths outgrow what the system takes.
class DeepChain {
 public:
  DeepChain(const std::string& top, const std::string& name, int depth) : top_(top), name_(name), depth_(depth) {
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < depth; ++i) {
      ::mkdirat(fd, name.c_str(), 0755);
      ::close(::openat(fd, "w.xls", O_WRONLY | O_CREAT, 0644));
      const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
      ::close(fd);
      fd = next;
    }
    ::close(fd);
  }
  ~DeepChain() { remove(::open(top_.c_str(), O_RDONLY | O_DIRECTORY), depth_); }

 private:
  void remove(int fd, int depth) {
    if (depth > 0) remove(::openat(fd, name_.c_str(), O_RDONLY | O_DIRECTORY), depth - 1);
    ::unlinkat(fd, "w.xls", 0);
    if (depth > 0) ::unlinkat(fd, name_.c_str(), AT_REMOVEDIR);
    ::close(fd);
  }
  std::string top_, name_;
  int depth_;
};

// What cannot be a workbook or cannot be reached is skipped with its reason,
// never opened: the scan of a tree holding a pipe ends. Links into the
// kernel's own files are not followed; names are shown escaped.
TEST(FolderScan, EntriesThatAreNoWorkbooksOrOutOfReachAreSkippedSayingWhy) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "new\nline.xls").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir / "zero.xls");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir / "socket.xls";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_directory(dir / "long");
  const std::string name(250, 'n');
  const DeepChain chain(dir / "long", name, PATH_MAX / 251 + 1);

  std::vector<std::pair<std::string, std::string>> cases = {
      {"new\nline.xls", "skipped: " + dir / "new\\nline.xls" + " is a named pipe (FIFO), not a workbook file"},
      {"zero.xls", "skipped: " + dir / "zero.xls" + " is a device, not a workbook file"},
      {"socket.xls", "skipped: " + dir / "socket.xls" + " is a socket, not a workbook file"},
      {"long/nnnnnnn", "skipped: the path is too long for the system ("}};
  for (const std::string place : {"/proc", "/sys", "/dev", "/dev/pts"}) {
    const std::string link = "to" + fs::path(place).filename().string();
    fs::create_directory_symlink(place, dir / link);
    cases.emplace_back(link, "skipped: " + dir / link + " leads into the kernel's own files (" + place +
                                 "), which hold no workbooks");
  }
  const FolderTree tree = ScanFolderTree(dir / "");
  ::close(server);
  std::map<std::string, std::string> skipped;
  for (const auto& entry : tree.skipped) skipped[entry.path.substr(dir.path().string().size() + 1, 12)] = entry.reason;
  for (const auto& [entry, reason] : cases) {
    EXPECT_TRUE(skipped[entry].starts_with(reason)) << "case " << entry << ": " << skipped[entry];
  }
  EXPECT_EQ(tree.skipped.size(), cases.size());
  // The chain's workbooks are queued as far as their paths fit, and its folders listed.
  EXPECT_EQ(tree.folders.size(), tree.workbooks.size() + 1);
  for (const auto& workbook : tree.workbooks) EXPECT_LT(workbook.size(), size_t{PATH_MAX});
  EXPECT_GE(tree.workbooks.size(), size_t{PATH_MAX / 251 - 1});
}

}  // namespace
}  // namespace sheetwise::batch
