#include "extract/CellReader.h"

#include <utility>

namespace sheetwise::extract {

FirstSheetReader::FirstSheetReader(host::Application& office, std::string path)
    : office_(office), path_(std::move(path)) {}

std::string FirstSheetReader::cellText(int row, int column) { return sheet().cellText(row, column); }

host::Worksheet& FirstSheetReader::sheet() {
  if (!sheet_) {
    // Kept only once both steps worked, so a failed opening is tried afresh.
    auto book = office_.open(path_, host::OpenMode::ReadOnly);
    auto first = book->worksheetAt(1);
    book_ = std::move(book);
    sheet_ = std::move(first);
  }
  return *sheet_;
}

std::string ReadExecl2(host::Application& office, const std::string& path, int row, int column) {
  return FirstSheetReader(office, path).cellText(row, column);
}

}  // namespace sheetwise::extract
