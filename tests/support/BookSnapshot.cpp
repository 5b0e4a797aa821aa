#include "BookSnapshot.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace sheetwise::test {
namespace {

std::string Script() { return (std::filesystem::path(SHEETWISE_SOURCE_DIR) / "tests/support/book_tool.py").string(); }

}  // namespace

std::string RunTestTool(const std::string& script, const std::string& args) {
  const std::string command = "/usr/bin/python3 '" + script + "' " + args + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string out;
  char buffer[4096];
  while (const size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
  if (pclose(pipe.release()) != 0) throw std::runtime_error("failed: " + command);
  return out;
}

namespace {

std::string Run(const std::string& args) { return RunTestTool(Script(), args); }

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

}  // namespace

std::string BookSnapshot::value(int sheet, int row, int column) const {
  const auto found = cells.find({sheet, row, column});
  return found == cells.end() ? "" : found->second;
}

std::map<std::pair<int, int>, std::string> BookSnapshot::sheetCells(int sheet) const {
  std::map<std::pair<int, int>, std::string> out;
  for (const auto& [at, value] : cells) {
    if (std::get<0>(at) == sheet) out[{std::get<1>(at), std::get<2>(at)}] = value;
  }
  return out;
}

BookSnapshot ReadBook(const std::string& path) {
  BookSnapshot book;
  std::stringstream in(Run("dump '" + path + "'"));
  for (std::string line; std::getline(in, line);) {
    const auto f = Fields(line);
    const auto at = [&] { return BookSnapshot::At{std::stoi(f[1]), std::stoi(f[2]), std::stoi(f[3])}; };
    if (f[0] == "sheet") {
      book.sheets.push_back(f[2]);
      if (f[3] == "1") book.active = std::stoi(f[1]);
    } else if (f[0] == "cell") {
      book.cells[at()] = f[4];
    } else if (f[0] == "font") {
      book.fonts[at()] = f[4] + "/" + f[5];
    } else if (f[0] == "merge") {
      book.merges.insert(f[1] + " " + f[2] + " " + f[3] + " " + f[4] + " " + f[5]);
    } else if (f[0] == "rowheight") {
      book.rowHeights[{std::stoi(f[1]), std::stoi(f[2])}] = f[3];
    } else if (f[0] == "colwidth") {
      book.columnWidths[{std::stoi(f[1]), std::stoi(f[2])}] = f[3];
    } else if (f[0] == "hiddenrow" || f[0] == "hiddencol") {
      (f[0] == "hiddenrow" ? book.hiddenRows : book.hiddenColumns).insert({std::stoi(f[1]), std::stoi(f[2])});
    } else if (f[0] == "part") {
      book.parts[f[1]] = f[2];
    }
  }
  return book;
}

void MakeBook(const std::string& kind, const std::string& path) { Run("make " + kind + " '" + path + "'"); }

}  // namespace sheetwise::test
