#include "TableWorkbook.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace sheetwise::test {
namespace fs = std::filesystem;

namespace {

// Converted workbooks of this program, removed at exit.
class ConvertedTables {
 public:
  ConvertedTables() {
    std::string pattern = (fs::temp_directory_path() / "sheetwise-tables-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder for converted tables");
    root_ = pattern;
  }
  ~ConvertedTables() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  fs::path workbookFor(const std::string& csv, const std::string& sheet) {
    std::lock_guard lock(mutex_);
    const std::string key = sheet + '\n' + csv;
    const auto found = converted_.find(key);
    if (found != converted_.end()) return found->second;
    const fs::path folder = root_ / std::to_string(converted_.size());
    fs::create_directories(folder);
    // The sheet takes the name of the CSV file.
    const fs::path table = folder / (sheet + ".csv");
    std::ofstream(table, std::ios::binary) << csv;
    convert(table);
    const fs::path workbook = folder / (sheet + ".xls");
    if (!fs::exists(workbook)) throw std::runtime_error("the office did not convert the table");
    return converted_[key] = workbook;
  }

 private:
  void convert(const fs::path& table) {
    const fs::path folder = table.parent_path();
    const std::string office = std::string(SHEETWISE_LO_PROGRAM) + "/soffice";
    std::vector<std::string> args = {office,
                                     "-env:UserInstallation=file://" + (root_ / "profile").string(),
                                     "--headless",
                                     "--norestore",
                                     // Comma-separated UTF-8, English (United States) number
                                     // recognition with dates, times and truth values.
                                     "--infilter=CSV:44,34,76,1,,1033,false,true,true",
                                     "--convert-to",
                                     "xls:MS Excel 97",
                                     "--outdir",
                                     folder.string(),
                                     table.string()};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      ::dup2(null, STDERR_FILENO);
      ::execv(office.c_str(), argv.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
  }

  fs::path root_;
  std::mutex mutex_;
  std::map<std::string, fs::path> converted_;
};

}  // namespace

void WriteTableWorkbook(const fs::path& target, const std::string& csv, const std::string& sheet) {
  static ConvertedTables tables;
  fs::create_directories(target.parent_path());
  fs::copy_file(tables.workbookFor(csv, sheet), target, fs::copy_options::overwrite_existing);
}

}  // namespace sheetwise::test
