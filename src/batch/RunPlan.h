#pragma once
// The whole plan of a run checked before any file is touched: every copy lands
// inside the save folder under a usable name, on no workbook of the run, on no
// other file of the source tree and on no other copy, and the files the run
// writes besides (log, CSV, report, save journal) are none of its inputs,
// copies or each other.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/RunSettings.h"
#include "batch/WorkbookPaths.h"

namespace sheetwise::batch {

// The run's files other than workbooks; empty texts are left out.
struct RunFiles {
  std::string rulesFile;   // read
  std::string logFile;     // written
  std::string csvFile;     // written
  std::string reportFile;  // written; may be resumeFile, which it then appends to
  std::string journalFile = {};    // written (the report's save journal); may be resumeJournal
  std::string resumeFile = {};     // read
  std::string resumeJournal = {};  // read
};

enum class PlanProblemKind {
  OutsideSaveFolder,  // a copy or mirrored folder outside the save folder: first source, second path
  OutputIsInput,      // a copy lands on a workbook of the run or its rule file: first source, second input
  SharedOutput,       // two workbooks map to one copy, or in place are one file: first and second sources, output it
  RunFileIsInput,     // a file the run writes is an input, a copy or another such file: first it, second the other
  OverwritesTreeFile,  // a copy lands on a file of the source tree: first source, second that file
  UnusableName,       // the naming rules give a copy no usable file name: first source, second the name
};

struct PlanProblem {
  PlanProblemKind kind;
  std::string first;
  std::string second;
  std::string output;  // SharedOutput only
};

// The first problem of the plan, or none. workbooks are every workbook of the
// source tree (all shards), folders every folder the run mirrors.
std::optional<PlanProblem> CheckRunPlan(const RunSettings& settings, bool extraction,
                                        const WorkbookPaths& workbooks,
                                        const std::vector<std::string>& folders, const RunFiles& files);

// The problem in the batch command's words (English, translated) and the window's.
std::string PlanProblemText(const PlanProblem& problem);
std::string PlanProblemTextForWindow(const PlanProblem& problem);

// One name for one file: absolute, links resolved as far as the path
// exists, "." and ".." gone.
std::filesystem::path ResolvedPath(const std::string& path);

// Whether path is folder or lies below it, links resolved as far as they exist.
bool LiesWithin(const std::string& path, const std::string& folder);
// Removes the paths that lie within folder.
void EraseWithin(std::vector<std::string>& paths, const std::string& folder);
void EraseWithin(WorkbookPaths& paths, const std::string& folder);

}  // namespace sheetwise::batch
