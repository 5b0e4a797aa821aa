#pragma once
// The settings of a run as plain values: what the window's fields hold at the
// moment of a call, or what the batch command's options say.

#include <functional>
#include <string>
#include <vector>

#include "batch/WorkbookKinds.h"
#include "rules/ParsedRule.h"
#include "verify/RuleChanges.h"

namespace sheetwise::batch {

// Where a processed copy goes: the source folder is replaced by the save
// folder, the file name gets the prefix and its replacement, and the whole
// path its own replacement. An empty "from" text means no replacement.
struct NamingRules {
  std::string sourceFolder;
  std::string saveFolder;
  std::string nameFrom, nameTo;
  std::string pathFrom, pathTo;
  std::string namePrefix;
};

// A workbook whose cell (row, column) on the named sheet does not hold value
// is left unedited. Off while row or column is empty.
struct VetoCondition {
  std::string row;
  std::string column;
  std::string value;
  bool isOn() const { return !row.empty() && !column.empty(); }
};

struct RunSettings {
  std::string sheetName = "Sheet1";
  VetoCondition veto;
  bool inPlace = false;
  NamingRules naming;
  std::vector<rules::ParsedRule> rules;  // the rule list read for this run's mode, in order
  // Every save is read back and compared with its source before it replaces
  // its target; strictly, a difference keeps a copy from being written too.
  bool verify = true;
  bool strictVerify = false;
  // How many of a workbook's changes are described (verify/RuleChanges.h); the rest are counted.
  size_t changesShown = verify::kChangesShown;
  // The kinds of workbook the folder scan takes.
  WorkbookKinds kinds = {};
  // When set, called with the source and the written file just before a save
  // replaces its target (after the check), from the thread that saves.
  std::function<void(const std::string& source, const std::string& written)> beforeReplace = {};
};

}  // namespace sheetwise::batch
