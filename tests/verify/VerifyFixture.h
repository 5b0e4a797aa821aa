#pragma once
// What the tests of the save check share: a workbook made at test time from a
// small table, an office whose saves can be tampered with between writing and
// checking, and reading files back (TestPaths).

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "host/Spreadsheet.h"

namespace sheetwise::test {

// A one-sheet workbook made from a table (TableWorkbook), copied to target.
void CopyGridWorkbook(const std::filesystem::path& target);
// The grid's cells: rows 1 to 8, columns A to E; E8 holds "plantme".
inline constexpr const char* kGridSheet = "grid";

// An office whose written files get `from` replaced by `to` (same length)
// before they are checked, while planting is on.
class PlantingOffice : public host::Application {
 public:
  explicit PlantingOffice(host::Application& office) : office_(office) {}
  std::unique_ptr<host::Workbook> open(const std::string& path, host::OpenMode mode) override;
  bool planting = false;
  std::string from = "plantme";
  std::string to = "PLANTED";

 private:
  host::Application& office_;
};

}  // namespace sheetwise::test
