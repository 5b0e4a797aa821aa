#include "TableWorkbook.h"

#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "BatchRun.h"
#include "TestPaths.h"

namespace sheetwise::test {
namespace fs = std::filesystem;

namespace {

// The workbook the office's converter makes of the file named name with
// content (the sheet takes the file's name when it is CSV), converted once
// per test program into a folder removed at exit, copied to target.
void WriteConverted(const fs::path& target, const std::string& name, const std::string& content,
                    const std::vector<std::string>& filterOptions) {
  static TempDir converted;
  static std::map<std::string, fs::path> workbooks;
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  fs::path& workbook = workbooks[name + '\n' + content];
  if (workbook.empty()) {
    const fs::path folder = converted.path() / std::to_string(workbooks.size());
    const fs::path source = folder / name;
    fs::create_directories(folder);
    std::ofstream(source, std::ios::binary) << content;
    std::vector<std::string> args{"-env:UserInstallation=file://" + (converted.path() / "profile").string(),
                                  "--headless", "--norestore"};
    args.insert(args.end(), filterOptions.begin(), filterOptions.end());
    for (const std::string arg : {"--convert-to", "xls:MS Excel 97", "--outdir"}) args.push_back(arg);
    args.push_back(folder.string());
    args.push_back(source.string());
    WaitForExit(StartProgram(SHEETWISE_LO_PROGRAM "/soffice", args, false).pid);
    workbook = source;
    workbook.replace_extension(".xls");
    if (!fs::exists(workbook)) throw std::runtime_error("the office did not convert " + name);
  }
  fs::create_directories(target.parent_path());
  fs::copy_file(workbook, target, fs::copy_options::overwrite_existing);
}

}  // namespace

void WriteTableWorkbook(const fs::path& target, const std::string& csv, const std::string& sheet) {
  // Comma-separated UTF-8, English (United States) number recognition with
  // dates, times and truth values.
  WriteConverted(target, sheet + ".csv", csv, {"--infilter=CSV:44,34,76,1,,1033,false,true,true"});
}

void WriteFlatWorkbook(const fs::path& target, const std::string& fods) {
  WriteConverted(target, "flat.fods", fods, {});
}

}  // namespace sheetwise::test
