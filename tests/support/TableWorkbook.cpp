#include "TableWorkbook.h"

#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>

#include "BatchRun.h"
#include "TestPaths.h"

namespace sheetwise::test {
namespace fs = std::filesystem;

void WriteTableWorkbook(const fs::path& target, const std::string& csv, const std::string& sheet) {
  // Each distinct table is converted once per test program, into a folder
  // removed at exit.
  static TempDir converted;
  static std::map<std::string, fs::path> workbooks;
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  fs::path& workbook = workbooks[sheet + '\n' + csv];
  if (workbook.empty()) {
    const fs::path folder = converted.path() / std::to_string(workbooks.size());
    const fs::path table = folder / (sheet + ".csv");  // the sheet takes the name of the CSV file
    fs::create_directories(folder);
    std::ofstream(table, std::ios::binary) << csv;
    WaitForExit(StartProgram(SHEETWISE_LO_PROGRAM "/soffice",
                             {"-env:UserInstallation=file://" + (converted.path() / "profile").string(), "--headless",
                              "--norestore",
                              // Comma-separated UTF-8, English (United States) number
                              // recognition with dates, times and truth values.
                              "--infilter=CSV:44,34,76,1,,1033,false,true,true", "--convert-to", "xls:MS Excel 97",
                              "--outdir", folder.string(), table.string()},
                             false)
                    .pid);
    if (!fs::exists(folder / (sheet + ".xls"))) throw std::runtime_error("the office did not convert the table");
    workbook = folder / (sheet + ".xls");
  }
  fs::create_directories(target.parent_path());
  fs::copy_file(workbook, target, fs::copy_options::overwrite_existing);
}

}  // namespace sheetwise::test
