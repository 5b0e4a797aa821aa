#include "batch/WorkbookEngine.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "batch/LogEntries.h"
#include "batch/OutputNaming.h"
#include "batch/RuleFootprint.h"
#include "batch/RuleOperations.h"
#include "batch/SaveCheck.h"
#include "host/InPlaceGuard.h"
#include "host/Translate.h"
#include "host/WorkPhases.h"
#include "rules/RuleString.h"

namespace sheetwise::batch {
namespace {

// How long a workbook waits for another run of this program that processes it.
constexpr std::chrono::milliseconds kSourceLockWait{120000};

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
  if (!row) throw RuleError(Tr("the veto row is not a number: \"%s\"", {veto.row}));
  const int column = *rules::ColumnNumber(veto.column);
  if (column > 32767) throw RuleError(Tr("the veto column \"%s\" does not exist", {veto.column}));
  return named.cellText(*row, column) == veto.value;
}

// Applies the rule list; the footprint gets every edit made.
void ApplyRules(const RunSettings& settings, host::Workbook& book, host::Worksheet& named, FileRun& run,
                verify::EditFootprint& footprint) {
  std::unique_ptr<host::Worksheet> active;
  for (size_t i = 0; i < settings.rules.size(); ++i) {
    const std::string& rule = settings.rules[i];
    const auto fields = rules::SplitFields(rule);
    const auto kind = rules::KindOf(fields[0]);
    if (!RuleActs(kind, fields)) continue;  // handled, without effect
    run.entry = FailureEntry::RuleFailure;
    if (!active) active = book.activeSheet();
    try {
      ApplyRule(kind, fields, {book, *active, named, settings.sheetName});
    } catch (const host::HostUnavailable&) {
      throw;
    } catch (const std::exception& e) {
      // The reason names the rule that failed.
      throw RuleError(Tr("rule %s \"%s\": %s", {std::to_string(i + 1), rule, e.what()}));
    }
    for (auto& edit : FootprintOf(kind, fields)) footprint.edits.push_back(std::move(edit));
  }
}

// Another program's open copy would be lost on its next save, and a second
// run of this program would interleave its edits: the file waits for the
// other run, and is left alone while another program has it open.
host::SourceLock GuardInPlace(const std::string& path) {
  if (const auto lockFile = host::ForeignLockFile(path)) {
    throw RuleError(Tr("the workbook is open in another program (its lock file %s is beside it)", {*lockFile}));
  }
  return host::SourceLock(path, kSourceLockWait);
}

// Writes what the run asks for and returns the path written ("" when none): in
// place, the edited workbook over its source; otherwise the edited workbook, or
// the source's own bytes when nothing was edited, at the output path.
std::string WriteResult(host::Workbook& book, const std::string& path, const RunSettings& settings, bool edited,
                        const host::BeforeReplace& check) {
  if (settings.inPlace) {
    if (!edited) return "";
    book.saveChecked(check);
    return path;
  }
  const std::string out = BuildOutputPath(settings.naming, path);
  // The naming rules lead back to the source itself; it is only ever written
  // over when saving in place was asked for.
  if (SameFile(out, path)) {
    throw RuleError(Tr("the file-name rules lead back to the source workbook itself: %s", {out}));
  }
  if (edited) {
    book.saveAsChecked(out, check);
  } else {
    host::EnterPhase(host::WorkPhase::Copy);
    CopySource(path, out);
  }
  return out;
}

}  // namespace

WorkbookResult WorkbookEngine::ProcessWorkbook(const std::string& path, const RunSettings& settings) {
  FileRun run{path};
  WorkbookResult result;
  try {
    std::optional<host::SourceLock> lock;
    if (settings.inPlace) lock = GuardInPlace(path);
    const auto book = office_.open(path, host::OpenMode::Edit);
    host::EnterPhase(host::WorkPhase::Veto);
    const auto named = book->worksheet(settings.sheetName);
    verify::EditFootprint footprint{settings.sheetName, {}};
    const bool vetoPassed = VetoPasses(settings.veto, *named);
    if (vetoPassed) {
      host::EnterPhase(host::WorkPhase::Rules);
      ApplyRules(settings, *book, *named, run, footprint);
    } else {
      result.outcome = Outcome::Vetoed;
      result.reason = Tr("cell %s does not hold \"%s\"", {settings.veto.column + settings.veto.row, settings.veto.value});
      log_.add({VetoEntry(path), result.reason, {}});
    }
    // No rule acted: the workbook is its source's bytes, and nothing is rewritten.
    const bool edited = vetoPassed && run.entry == FailureEntry::RuleFailure;
    run.entry = FailureEntry::RuleFailure;
    const host::BeforeReplace check = [&](const std::string& written) {
      if (!settings.verify) return;
      host::EnterPhase(host::WorkPhase::Check);
      result.differences = CheckSave(path, written, footprint, !settings.inPlace && !settings.strictVerify);
    };
    result.output = WriteResult(*book, path, settings, edited, check);
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
