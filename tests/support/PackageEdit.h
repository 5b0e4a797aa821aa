#pragma once
// Zip packages the tests write themselves with tests/support/zip_edit.py: a
// package (or none) with parts put, replaced in and dropped.

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace sheetwise::test {

class TempDir;

using PackageParts = std::vector<std::pair<std::string, std::string>>;               // part, text
using PackageSubs = std::vector<std::tuple<std::string, std::string, std::string>>;  // part, old, new

// Writes target: source ("-" for none) with parts put, replaced in and
// dropped, and with bombMegabytes a sheet part of that many megabytes of
// blanks. Fails the test when the script does.
void WritePackage(const TempDir& dir, const std::string& source, const std::string& target, const PackageParts& put,
                  const PackageSubs& subs = {}, const std::vector<std::string>& drop = {}, int bombMegabytes = 0);

}  // namespace sheetwise::test
