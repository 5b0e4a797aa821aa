#include "verify/ContainerEntries.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace sheetwise::verify {

std::string EntryKey(const std::string& name) {
  std::string key = name;
  std::ranges::transform(key, key.begin(), [](unsigned char c) { return std::toupper(c); });
  const bool embedded = key.size() == 11 && key.starts_with("MBD") &&
                        std::all_of(key.begin() + 3, key.end(), [](unsigned char c) { return std::isxdigit(c); });
  return embedded ? "MBD*" : key;
}

std::string EntryName(const std::string& name) {
  const auto first = std::find_if(name.begin(), name.end(), [](unsigned char c) { return c >= 0x20; });
  return std::string(first, name.end());
}

bool AccountedForApart(const std::string& key) {
  return key == "\1OLE" || key == "\1COMPOBJ" || key == kMacroStorageKey;
}

bool KeptByteForByte(const std::string& key) {
  static const std::set<std::string> kOfficeWrites{
      "WORKBOOK", "BOOK", "MBD*", "_SX_DB_CUR", "CTLS", "\5SUMMARYINFORMATION", "\5DOCUMENTSUMMARYINFORMATION"};
  return !AccountedForApart(key) && !kOfficeWrites.contains(key);
}

}  // namespace sheetwise::verify
