#include "ui/handlers/QuickAdd.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include "host/HostError.h"
#include "ui/FormSettings.h"
#include "ui/OfficeMissing.h"

namespace sheetwise::rules {

namespace {

// Whether the path holds a chosen kind's extension anywhere, in any letter
// case: ".xls" in it is enough while .xls alone is chosen, as before.
bool ContainsExtensionIgnoringCase(std::string path, const batch::WorkbookKinds& kinds) {
  std::transform(path.begin(), path.end(), path.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return std::any_of(std::begin(batch::kEveryKind), std::end(batch::kEveryKind), [&](batch::WorkbookKind kind) {
    return kinds.has(kind) && path.find("." + std::string(batch::NameOf(kind))) != std::string::npos;
  });
}

bool IsExistingFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool IsBlankRow(const std::vector<std::string>& row) {
  return std::all_of(row.begin(), row.end(), [](const std::string& text) { return text.empty(); });
}

bool IsBlankColumn(const Table& table, size_t column) {
  return std::all_of(table.begin(), table.end(),
                     [&](const auto& row) { return column >= row.size() || row[column].empty(); });
}

size_t Width(const Table& table) {
  size_t width = 0;
  for (const auto& row : table) width = std::max(width, row.size());
  return width;
}

}  // namespace

std::string SampleFileFilter(const ui::Form1& main) {
  const batch::WorkbookKinds kinds = ui::KindsOf(main);
  if (kinds.xlsAlone()) return kSampleFileFilter;
  return "表格文档 (" + kinds.extensions(" ", "*") + ")";
}

Table SampleGridCells(const Table& fromA1) {
  const size_t width = std::max<size_t>(Width(fromA1), 1);
  // A sheet without any value has the used range A1 alone.
  size_t firstRow = 0;
  while (firstRow < fromA1.size() && IsBlankRow(fromA1[firstRow])) ++firstRow;
  if (firstRow == fromA1.size()) firstRow = 0;
  size_t firstColumn = 0;
  while (firstColumn < width && IsBlankColumn(fromA1, firstColumn)) ++firstColumn;
  if (firstColumn == width) firstColumn = 0;

  const size_t rows = std::max(fromA1.size(), firstRow + 1) - firstRow;
  Table grid(rows + 1, std::vector<std::string>(width - firstColumn + 1));
  for (size_t r = 0; r < rows && firstRow + r < fromA1.size(); ++r) {
    const auto& source = fromA1[firstRow + r];
    for (size_t c = firstColumn; c < source.size(); ++c) grid[r + 1][c - firstColumn + 1] = source[c];
  }
  return grid;
}

bool SampleRead(ui::Dialogs& dialogs, const std::function<void()>& read) {
  try {
    read();
    return true;
  } catch (const host::HostUnavailable& e) {
    dialogs.message(ui::OfficeMissingMessage(e.what()), ui::MessageStyle::Plain);
  } catch (const std::exception&) {
    // Whatever keeps the sheet from being read, the file the host refuses included.
    dialogs.message(kBadSheetName, ui::MessageStyle::Information);
  }
  return false;
}

void QuickAdd::command9() { showSample(); }

void QuickAdd::command16() {
  if (main_.Check2.value != 1) {
    dialogs_.message(kExtractionModeOff, ui::MessageStyle::Plain);
    return;
  }
  showSample();
}

void QuickAdd::showSample() {
  const std::string path = dialogs_.chooseFile(SampleFileFilter(main_));
  if (path.empty()) return;
  if (!ContainsExtensionIgnoringCase(path, ui::KindsOf(main_)) || !IsExistingFile(path)) {
    dialogs_.message(kFileMissing, ui::MessageStyle::Plain);
    return;
  }
  Table cells;
  if (!SampleRead(dialogs_, [&] { cells = SampleGridCells(readSheet(path)); })) return;
  main_.sampleWorkbook = path;
  if (!picker_.visible) picker_ = ui::Form2{};  // loads the window afresh
  picker_.VSFlexGrid1.cells = std::move(cells);
  picker_.visible = true;
  ++picker_.raiseRequests;
}

Table QuickAdd::readSheet(const std::string& path) {
  const std::string sheetName = main_.Text9.text;
  auto workbook = spreadsheets_.open(path, host::OpenMode::ReadOnly);
  return workbook->worksheet(sheetName)->usedTable();
}

}  // namespace sheetwise::rules
