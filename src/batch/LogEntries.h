#pragma once
// The texts of the error log's entries. Two kinds name their workbook between
// file markers, so that it can be opened again from the list.

#include <string>
#include <string_view>

namespace sheetwise::batch {

inline constexpr std::string_view kLogFileName = "错误日志.log";
inline constexpr std::string_view kFileStart = "<file/>";
inline constexpr std::string_view kFileEnd = "</file>";

std::string VetoEntry(const std::string& path);
bool IsVetoEntry(const std::string& entry);
std::string ProcessingErrorEntry(const std::string& path);
std::string RuleFailureEntry(const std::string& path);
// A saved workbook whose check found differences outside the rules' cells.
std::string VerificationEntry(const std::string& path);

// The path an entry names between the file markers, "" when it names none.
std::string LoggedPath(const std::string& entry);

}  // namespace sheetwise::batch
