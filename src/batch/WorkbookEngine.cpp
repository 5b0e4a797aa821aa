#include "batch/WorkbookEngine.h"

#include <filesystem>
#include <memory>

#include "batch/LogEntries.h"
#include "batch/OutputNaming.h"
#include "batch/RuleFootprint.h"
#include "batch/RuleOperations.h"
#include "host/SafeStore.h"
#include "rules/RuleString.h"
#include "verify/SaveComparison.h"

namespace sheetwise::batch {
namespace {

enum class FailureEntry { ProcessingError, RuleFailure };

// Within one workbook: which entry a failure writes, switched for good once
// a rule's action or the save begins.
struct FileRun {
  const std::string& path;
  FailureEntry entry = FailureEntry::ProcessingError;
  std::string logEntry() const {
    return entry == FailureEntry::ProcessingError ? ProcessingErrorEntry(path) : RuleFailureEntry(path);
  }
};

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::absolute(a).lexically_normal() == std::filesystem::absolute(b).lexically_normal();
}

// True when the veto cell holds the expected text, or the veto is off.
bool VetoPasses(const VetoCondition& veto, host::Worksheet& named) {
  if (!veto.isOn()) return true;
  const auto row = rules::RoundedInteger(veto.row);
  if (!row) throw RuleError("the veto row is not a number: \"" + veto.row + "\"");
  const int column = *rules::ColumnNumber(veto.column);
  if (column > 32767) throw RuleError("the veto column is out of range: \"" + veto.column + "\"");
  return named.cellText(*row, column) == veto.value;
}

// Applies the rule list; the footprint gets every edit made.
void ApplyRules(const RunSettings& settings, host::Workbook& book, host::Worksheet& named, FileRun& run,
                verify::EditFootprint& footprint) {
  std::unique_ptr<host::Worksheet> active;
  for (const std::string& rule : settings.rules) {
    const auto fields = rules::SplitFields(rule);
    const auto kind = rules::KindOf(fields[0]);
    if (!RuleActs(kind, fields)) continue;  // handled, without effect
    run.entry = FailureEntry::RuleFailure;
    if (!active) active = book.activeSheet();
    ApplyRule(kind, fields, {book, *active, named, settings.sheetName});
    for (auto& edit : FootprintOf(kind, fields)) footprint.edits.push_back(std::move(edit));
  }
}

// A save whose check found differences where it may not be written.
class DifferencesFound : public std::runtime_error {
 public:
  explicit DifferencesFound(std::vector<std::string> lines)
      : std::runtime_error("the saved workbook differs from its source outside the rules' cells: " + lines.front()),
        lines_(std::move(lines)) {}
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// Compares the source with the written file; throws DifferencesFound when
// differences may not be written, else returns them.
std::vector<std::string> CheckSave(const std::string& source, const std::string& written,
                                   const verify::EditFootprint& footprint, bool mayWriteDifferences) {
  std::vector<std::string> lines;
  try {
    lines = verify::VerifySave(source, written, footprint).lines();
  } catch (const host::HostError& e) {
    lines = {std::string("the saved workbook cannot be checked: ") + e.what()};
  }
  if (!lines.empty() && !mayWriteDifferences) throw DifferencesFound(lines);
  return lines;
}

// A workbook no rule acted on is its source's own bytes.
void CopySource(const std::string& source, const std::string& target) {
  host::StoreReplacing(target, [&](const std::filesystem::path& temp) {
    std::filesystem::copy_file(source, temp);
  });
}

}  // namespace

WorkbookResult WorkbookEngine::ProcessWorkbook(const std::string& path, const RunSettings& settings) {
  FileRun run{path};
  WorkbookResult result;
  try {
    const auto book = office_.open(path, host::OpenMode::Edit);
    const auto named = book->worksheet(settings.sheetName);
    verify::EditFootprint footprint{settings.sheetName, {}};
    const bool acted = VetoPasses(settings.veto, *named);
    if (acted) {
      ApplyRules(settings, *book, *named, run, footprint);
    } else {
      result.outcome = Outcome::Vetoed;
      result.reason = "cell " + settings.veto.column + settings.veto.row + " does not hold \"" + settings.veto.value + "\"";
      log_.add({VetoEntry(path), result.reason, {}});
    }
    const bool edited = acted && run.entry == FailureEntry::RuleFailure;
    const std::string out = BuildOutputPath(settings.naming, path);
    run.entry = FailureEntry::RuleFailure;
    const host::BeforeReplace check = [&](const std::string& written) {
      if (!settings.verify) return;
      result.differences = CheckSave(path, written, footprint, !settings.inPlace && !settings.strictVerify);
    };
    if (settings.inPlace) {
      if (edited) book->saveChecked(check);  // unedited, the source is left as it is
      result.output = path;
    } else if (SameFile(out, path)) {
      // The naming rules lead back to the source itself; it is only ever
      // written over when saving in place was asked for.
      throw RuleError("the output path is the source workbook itself: " + out);
    } else {
      if (edited) {
        book->saveAsChecked(out, check);
      } else {
        CopySource(path, out);
      }
      result.output = out;
    }
    if (!result.differences.empty()) {
      log_.add({VerificationEntry(result.output), result.differences.front(), result.differences});
    }
  } catch (const host::HostUnavailable&) {
    throw;
  } catch (const DifferencesFound& e) {
    result = {Outcome::Failed, "", e.what(), e.lines()};
    log_.add({run.logEntry(), result.reason, result.differences});
  } catch (const std::exception& e) {
    result = {Outcome::Failed, "", e.what(), {}};
    log_.add({run.logEntry(), result.reason, {}});
  }
  return result;
}

}  // namespace sheetwise::batch
