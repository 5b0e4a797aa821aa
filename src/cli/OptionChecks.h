#pragma once
// The batch command's options checked as a whole before the first workbook is
// touched: every problem that would fail each workbook, or silently do
// something else than asked, is a UsageError saying what to fix.

#include <optional>
#include <string>
#include <vector>

#include "cli/BatchOptions.h"
#include "rules/ParsedRule.h"

namespace sheetwise::batch {

// The name --rules gives standard input.
inline constexpr const char* kStandardInput = "-";

// The kinds of workbook that --types LIST names; a list that cannot be read
// is a UsageError naming what is wrong.
WorkbookKinds TypesOption(const std::string& list);

// Options that cannot go together, values that cannot be right, and folders
// and files that are missing or of the wrong kind.
void CheckOptions(const BatchOptions& options);

// The rule list read from the rule file. Throws UsageError naming the first
// rule that cannot be read; returns the notice to show once when the list is
// empty (workbooks are then copied unchanged).
std::optional<std::string> CheckRuleList(const BatchOptions& options, const std::vector<rules::ParsedRule>& rules);

}  // namespace sheetwise::batch
