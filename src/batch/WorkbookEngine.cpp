#include "batch/WorkbookEngine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "batch/LogEntries.h"
#include "batch/OutputNaming.h"
#include "batch/RuleFootprint.h"
#include "batch/RuleOperations.h"
#include "batch/SaveCheck.h"
#include "host/HostError.h"
#include "host/InPlaceGuard.h"
#include "host/LibraryWarnings.h"
#include "host/Translate.h"
#include "host/WorkPhases.h"
#include "rules/RuleString.h"

namespace sheetwise::batch {
namespace {

// How long a workbook waits for another run of this program that processes it.
constexpr std::chrono::milliseconds kSourceLockWait{120000};

enum class FailureEntry { ProcessingError, RuleFailure };

// Within one workbook: which entry a failure writes, switched for good once
// a rule's action or the save begins, and what a failure would mean at the
// step under way.
struct FileRun {
  const std::string& path;
  FailureEntry entry = FailureEntry::ProcessingError;
  EntryCause cause = EntryCause::CannotOpen;
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

// The reason names the rule that failed, by its place in the list and its text.
RuleError RuleFailed(size_t index, const rules::ParsedRule& rule, const std::string& reason) {
  return RuleError(Tr("rule %s \"%s\": %s", {std::to_string(index + 1), rules::Quoted(rule.text), reason}));
}

// The rule of each edit: the edits a rule made are numbered from its entry on.
class EditOwners {
 public:
  void ruleBegins(size_t rule, size_t firstEdit) { starts_.push_back({firstEdit, rule}); }
  size_t ruleOf(size_t edit) const {
    const auto next = std::upper_bound(starts_.begin(), starts_.end(), std::pair{edit, SIZE_MAX});
    return std::prev(next)->second;
  }

 private:
  std::vector<std::pair<size_t, size_t>> starts_;  // first edit, rule
};

// A held edit's failure, named by the rule that made it, or by the rules
// whose edits were sent with it when the office cannot tell which.
RuleError HeldEditRuleFailed(const host::HeldEditFailed& e, const EditOwners& owners, const RunSettings& settings) {
  const size_t first = owners.ruleOf(e.first);
  const size_t last = owners.ruleOf(e.last);
  if (first == last) return RuleFailed(first, settings.rules[first], e.what());
  return RuleError(Tr("rules %s to %s: %s", {std::to_string(first + 1), std::to_string(last + 1), e.what()}));
}

// Applies the rule list; the footprint gets every edit made. A rule that could
// not be read fails the workbook where it stands, as one the office refuses.
// The rules' edits go to the office together, after the last rule or before
// a rule reads the workbook.
void ApplyRules(const RunSettings& settings, host::Workbook& book, host::Worksheet& named, FileRun& run,
                verify::EditFootprint& footprint) {
  std::unique_ptr<host::Worksheet> active;
  EditOwners owners;
  book.holdEdits();
  try {
    for (size_t i = 0; i < settings.rules.size(); ++i) {
      const rules::ParsedRule& rule = settings.rules[i];
      if (rule.readable() && !rule.acts) continue;  // handled, without effect
      run.entry = FailureEntry::RuleFailure;
      run.cause = EntryCause::RuleFailed;
      if (!rule.readable()) {
        book.sendEdits();  // a failure before it is the earlier rule's
        run.cause = EntryCause::RuleUnreadable;
        throw RuleFailed(i, rule, rule.refusal);
      }
      if (!active) active = book.activeSheet();
      owners.ruleBegins(i, book.editsMade());
      try {
        ApplyRule(rule, {book, *active, named, settings.sheetName});
      } catch (const host::HostUnavailable&) {
        throw;
      } catch (const host::HeldEditFailed&) {
        throw;
      } catch (const std::exception& e) {
        book.sendEdits();
        throw RuleFailed(i, rule, e.what());
      }
      for (auto& edit : FootprintOf(rule)) footprint.edits.push_back(std::move(edit));
    }
    book.sendEdits();
  } catch (const host::HeldEditFailed& e) {
    throw HeldEditRuleFailed(e, owners, settings);
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
std::string WriteResult(host::Workbook& book, FileRun& run, const RunSettings& settings, bool edited,
                        const host::BeforeReplace& check) {
  const std::string& path = run.path;
  run.cause = EntryCause::SaveFailed;
  if (settings.inPlace) {
    if (!edited) return "";
    book.saveChecked(check);
    return path;
  }
  const std::string out = BuildOutputPath(settings.naming, path);
  // The naming rules lead back to the source itself; it is only ever written
  // over when saving in place was asked for.
  if (SameFile(out, path)) {
    run.cause = EntryCause::OutputIsSource;
    throw RuleError(Tr("the file-name rules lead back to the source workbook itself: %s", {out}));
  }
  MakeMirroredFoldersFor(settings.naming, path);
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
  // What the file readers warn about while this workbook is handled joins its reason.
  host::LibraryWarnings warnings;
  try {
    std::optional<host::SourceLock> lock;
    run.cause = EntryCause::InUse;
    if (settings.inPlace) lock = GuardInPlace(path);
    run.cause = EntryCause::CannotOpen;
    const auto book = office_.open(path, host::OpenMode::Edit);
    host::EnterPhase(host::WorkPhase::Veto);
    run.cause = EntryCause::SheetMissing;
    const auto named = book->worksheet(settings.sheetName);
    verify::EditFootprint footprint{settings.sheetName, {}};
    run.cause = EntryCause::VetoUnreadable;
    const bool vetoPassed = VetoPasses(settings.veto, *named);
    if (vetoPassed) {
      host::EnterPhase(host::WorkPhase::Rules);
      ApplyRules(settings, *book, *named, run, footprint);
    } else {
      result.outcome = Outcome::Vetoed;
      result.reason = Tr("cell %s does not hold \"%s\"", {settings.veto.column + settings.veto.row, settings.veto.value});
      log_.add({VetoEntry(path), result.reason, {}, EntryCause::Vetoed});
    }
    // No rule acted: the workbook is its source's bytes, and nothing is rewritten.
    const bool edited = vetoPassed && run.entry == FailureEntry::RuleFailure;
    run.entry = FailureEntry::RuleFailure;
    SaveFindings findings;
    const host::BeforeReplace check = [&](const std::string& written) {
      // The office closes the document while the program reads the files.
      book->closeInBackground();
      const bool mayWriteDifferences = !settings.inPlace && !settings.strictVerify;
      host::EnterPhase(host::WorkPhase::Check);
      PutBackDropped(path, written, footprint);
      findings = settings.verify
                     ? CheckSave(path, written, footprint, mayWriteDifferences, settings.changesShown)
                     : CheckMacroProject(path, written, footprint, mayWriteDifferences, settings.changesShown);
      if (settings.beforeReplace) settings.beforeReplace(path, written);
    };
    result.output = WriteResult(*book, run, settings, edited, check);
    result.changes = findings.changes;
    if (!findings.empty()) {
      if (!findings.uncheckedBecause.empty()) result.outcome = Outcome::Unchecked;
      result.reason = findings.reason();
      result.differences = findings.differences;
      const auto cause = findings.uncheckedBecause.empty() ? EntryCause::CopyDiffers : EntryCause::Unchecked;
      log_.add({VerificationEntry(result.output), result.reason, result.differences, cause});
    }
    // A file written in another format than its name says is named in the report.
    if (const std::string notice = edited ? book->notice() : ""; !notice.empty()) {
      result.reason = result.reason.empty() ? notice : notice + "; " + result.reason;
    }
  } catch (const host::HostUnavailable&) {
    throw;
  } catch (const DifferencesFound& e) {
    result = {Outcome::Failed, "", host::WithWarnings(e.what(), warnings), e.findings().differences};
    const auto cause = settings.inPlace ? EntryCause::InPlaceRefused : EntryCause::CopyRefused;
    log_.add({run.logEntry(), result.reason, result.differences, cause});
  } catch (const std::exception& e) {
    result = {Outcome::Failed, "", host::WithWarnings(e.what(), warnings), {}};
    result.temporary = dynamic_cast<const host::TemporaryFailure*>(&e) != nullptr;
    result.lasting = dynamic_cast<const host::OfficeMemoryExceeded*>(&e) != nullptr;
    log_.add({run.logEntry(), result.reason, {}, run.cause});
  }
  if (result.outcome != Outcome::Failed) result.reason = host::WithWarnings(result.reason, warnings);
  return result;
}

}  // namespace sheetwise::batch
