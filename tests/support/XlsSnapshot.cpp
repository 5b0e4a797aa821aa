#include "XlsSnapshot.h"

#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "TestPaths.h"

namespace sheetwise::test {
namespace {

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> parts;
  std::stringstream in(line);
  std::string part;
  while (std::getline(in, part, '\t')) parts.push_back(part);
  if (!line.empty() && line.back() == '\t') parts.emplace_back();
  return parts;
}

struct PipeCloser {
  void operator()(FILE* f) const { pclose(f); }
};

}  // namespace

std::string XlsSheet::value(int row, int column) const {
  const auto* c = cell(row, column);
  return c ? c->value : std::string();
}

const XlsCell* XlsSheet::cell(int row, int column) const {
  const auto it = cells.find({row, column});
  return it == cells.end() ? nullptr : &it->second;
}

int XlsSnapshot::activeSheet() const {
  for (size_t i = 0; i < sheets.size(); ++i) {
    if (sheets[i].selected) return static_cast<int>(i);
  }
  return -1;
}

XlsSnapshot ReadWithXlrd(const std::string& path) {
  const std::string command = "/usr/bin/python3 '" + XlsDumpScript() + "' '" + path + "' 2>/dev/null";
  std::unique_ptr<FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
  if (!pipe) throw std::runtime_error("cannot run xlrd");
  std::string output;
  char buffer[65536];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) output.append(buffer, n);
  const int status = pclose(pipe.release());
  if (status != 0) throw std::runtime_error("xlrd cannot read " + path);

  XlsSnapshot snapshot;
  std::stringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    const auto f = Split(line);
    if (f.size() < 2) throw std::runtime_error("xlrd wrote an unexpected line: " + line);
    if (f[0] == "sheet") {
      snapshot.sheets.push_back({Unescape(f[2]), f[3] == "1", std::stoi(f[5]), {}, {}, {}, {}, {}, {}});
      continue;
    }
    if (f[0] == "name") {
      snapshot.names.push_back(Unescape(f[1]) + " " + f[2] + " " + f[3]);
      continue;
    }
    if (f[0] == "entry") {
      snapshot.entries[Unescape(f[1])] = f[2];
      continue;
    }
    auto& sheet = snapshot.sheets.at(std::stoul(f[1]));
    if (f[0] == "merge") {
      sheet.merges.push_back({std::stoi(f[2]), std::stoi(f[3]), std::stoi(f[4]), std::stoi(f[5])});
    } else if (f[0] == "rowheight") {
      if (f[4] == "1") sheet.rowHeights[std::stoi(f[2])] = std::stoi(f[3]);
    } else if (f[0] == "colwidth") {
      sheet.columnWidths[std::stoi(f[2])] = std::stoi(f[3]);
    } else if (f[0] == "hiddenrow" || f[0] == "hiddencol") {
      (f[0] == "hiddenrow" ? sheet.hiddenRows : sheet.hiddenColumns).insert(std::stoi(f[2]));
    } else if (f[0] == "cell") {
      XlsCell cell{std::stoi(f[4]), Unescape(f[5]), f[6] == "1", std::stoi(f[7]),
                   std::stoi(f[8]), f[9], f[10] == "1", {}};
      sheet.cells[{std::stoi(f[2]), std::stoi(f[3])}] = cell;
    } else if (f[0] == "runs") {
      sheet.cells[{std::stoi(f[2]), std::stoi(f[3])}].runs = Unescape(f[4]);
    }
  }
  return snapshot;
}

}  // namespace sheetwise::test
