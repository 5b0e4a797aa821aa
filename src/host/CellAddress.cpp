#include "host/CellAddress.h"

#include <algorithm>
#include <cctype>

namespace sheetwise::host {
namespace {

struct Reference {
  std::optional<int> row;
  std::optional<int> column;
};

std::optional<int> RowFromDigits(std::string_view digits, int rows) {
  if (digits.empty() || digits.size() > 7) return std::nullopt;
  int row = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    row = row * 10 + (c - '0');
  }
  if (row < 1 || row > rows) return std::nullopt;
  return row;
}

// One side of an address: letters, digits, or letters followed by digits.
std::optional<Reference> ParseReference(std::string_view text, Grid grid) {
  size_t pos = 0;
  if (pos < text.size() && text[pos] == '$') ++pos;
  size_t letters = pos;
  while (letters < text.size() && std::isalpha(static_cast<unsigned char>(text[letters]))) ++letters;
  Reference ref;
  if (letters > pos) {
    ref.column = ColumnFromLetters(text.substr(pos, letters - pos));
    if (!ref.column || *ref.column > grid.columns) return std::nullopt;
  }
  pos = letters;
  if (pos < text.size() && text[pos] == '$') ++pos;
  if (pos < text.size()) {
    ref.row = RowFromDigits(text.substr(pos), grid.rows);
    if (!ref.row) return std::nullopt;
  }
  if (!ref.row && !ref.column) return std::nullopt;
  return ref;
}

}  // namespace

std::optional<int> ColumnFromLetters(std::string_view letters) {
  if (!letters.empty() && letters.front() == '$') letters.remove_prefix(1);
  if (letters.empty() || letters.size() > 3) return std::nullopt;
  int column = 0;
  for (char c : letters) {
    if (!std::isalpha(static_cast<unsigned char>(c))) return std::nullopt;
    column = column * 26 + (std::toupper(static_cast<unsigned char>(c)) - 'A' + 1);
  }
  if (column > kMaxColumns) return std::nullopt;
  return column;
}

std::string ColumnLetters(int column) {
  std::string letters;
  while (column > 0) {
    const int digit = (column - 1) % 26;
    letters.insert(letters.begin(), static_cast<char>('A' + digit));
    column = (column - 1) / 26;
  }
  return letters;
}

std::string CellName(int row, int column) { return ColumnLetters(column) + std::to_string(row); }

std::optional<CellRect> ParseAddress(std::string_view address, Grid grid) {
  const size_t colon = address.find(':');
  const auto first = ParseReference(address.substr(0, colon), grid);
  if (!first) return std::nullopt;
  const auto last = colon == std::string_view::npos ? first : ParseReference(address.substr(colon + 1), grid);
  if (!last) return std::nullopt;
  // Both sides must be of one kind: cells, whole rows or whole columns.
  if (first->row.has_value() != last->row.has_value() ||
      first->column.has_value() != last->column.has_value()) {
    return std::nullopt;
  }
  // A lone row or column number is no address ("5" alone; rows need "5:5").
  if (colon == std::string_view::npos && !(first->row && first->column)) return std::nullopt;
  CellRect rect;
  rect.firstRow = std::min(first->row.value_or(1), last->row.value_or(1));
  rect.lastRow = first->row ? std::max(*first->row, *last->row) : grid.rows;
  rect.firstColumn = std::min(first->column.value_or(1), last->column.value_or(1));
  rect.lastColumn = first->column ? std::max(*first->column, *last->column) : grid.columns;
  return rect;
}

}  // namespace sheetwise::host
