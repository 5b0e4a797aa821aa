#include "PackageEdit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TestPaths.h"

namespace sheetwise::test {
namespace {

// The texts as a JSON array.
std::string Json(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& text : texts) {
    out += out.empty() ? "[\"" : ",\"";
    for (const char c : text) {
      out += c == '\n' ? std::string("\\n") : c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
    }
    out += "\"";
  }
  return out.empty() ? "[]" : out + "]";
}

}  // namespace

void WritePackage(const TempDir& dir, const std::string& source, const std::string& target, const PackageParts& put,
                  const PackageSubs& subs, const std::vector<std::string>& drop, int bombMegabytes) {
  std::string puts, changes;
  for (const auto& [name, text] : put) puts += (puts.empty() ? "" : ",") + Json({name, text});
  for (const auto& [part, from, to] : subs) changes += (changes.empty() ? "" : ",") + Json({part, from, to});
  std::ofstream(dir / "changes.json")
      << "{\"put\": [" << puts << "], \"sub\": [" << changes << "], \"drop\": " << Json(drop)
      << (bombMegabytes ? ", \"bomb\": [\"xl/worksheets/sheet1.xml\", " + std::to_string(bombMegabytes) + "]" : "") << "}";
  const std::string command =
      "/usr/bin/python3 '" + ZipEditScript() + "' '" + source + "' '" + target + "' '" + (dir / "changes.json") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

}  // namespace sheetwise::test
