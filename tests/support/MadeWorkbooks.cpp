#include "MadeWorkbooks.h"

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sheetwise::test {
namespace fs = std::filesystem;

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string SheetXml(const MadeSheet& sheet) {
  std::ostringstream xml;
  xml << "<table:table table:name=\"" << Escaped(sheet.name) << "\""
      << (sheet.isProtected ? " table:protected=\"true\"" : "") << ">";
  int row = 1;
  for (size_t i = 0; i < sheet.cells.size();) {
    const int next = sheet.cells[i].row;
    if (next > row) {
      xml << "<table:table-row table:number-rows-repeated=\"" << next - row << "\"><table:table-cell/></table:table-row>";
    }
    xml << "<table:table-row>";
    int column = 1;
    for (; i < sheet.cells.size() && sheet.cells[i].row == next; ++i) {
      const MadeCell& cell = sheet.cells[i];
      if (cell.column > column) {
        xml << "<table:table-cell table:number-columns-repeated=\"" << cell.column - column << "\"/>";
      }
      xml << "<table:table-cell office:value-type=\"string\"><text:p>" << Escaped(cell.text)
          << "</text:p></table:table-cell>";
      column = cell.column + 1;
    }
    xml << "</table:table-row>";
    row = next + 1;
  }
  xml << "</table:table>";
  return xml.str();
}

std::string Document(const std::vector<MadeSheet>& sheets) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
      "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet>";
  for (const auto& sheet : sheets) xml += SheetXml(sheet);
  return xml + "</office:spreadsheet></office:body></office:document>\n";
}

}  // namespace

void MakeWorkbooks(const fs::path& folder, const std::map<std::string, std::vector<MadeSheet>>& books) {
  const fs::path work = folder / ".made-workbooks";
  fs::create_directories(work);
  std::vector<std::string> args = {SHEETWISE_LO_PROGRAM "/soffice", "-env:UserInstallation=file://" + (work / "profile").string(),
                                   "--headless", "--convert-to", "xls", "--outdir", folder.string()};
  for (const auto& [name, sheets] : books) {
    const fs::path source = work / (name + ".fods");
    std::ofstream(source, std::ios::binary) << Document(sheets);
    args.push_back(source.string());
  }
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  fs::remove_all(work);
  for (const auto& [name, sheets] : books) {
    if (!fs::exists(folder / (name + ".xls"))) throw std::runtime_error("the office did not make " + name + ".xls");
  }
}

std::map<std::string, std::string> FileBytes(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    files[fs::relative(entry.path(), folder).string()] = bytes.str();
  }
  return files;
}

}  // namespace sheetwise::test
