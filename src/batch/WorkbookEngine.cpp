#include "batch/WorkbookEngine.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "batch/OutputNaming.h"
#include "batch/RuleOperations.h"
#include "rules/RuleString.h"

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
bool VetoPasses(const ui::Form1& form, host::Worksheet& named) {
  const std::string& rowText = form.Text10.text;
  const std::string& columnText = form.Text13.text;
  if (rowText.empty() || columnText.empty()) return true;
  const auto row = rules::RoundedInteger(rowText);
  if (!row) throw RuleError("the veto row is not a number: \"" + rowText + "\"");
  const int column = *rules::ColumnNumber(columnText);
  if (column > 32767) throw RuleError("the veto column is out of range: \"" + columnText + "\"");
  return named.cellText(*row, column) == form.Text14.text;
}

void ApplyRules(const ui::Form1& form, host::Workbook& book, host::Worksheet& named, FileRun& run) {
  // The list is read afresh before every rule; entries change only between files.
  std::unique_ptr<host::Worksheet> active;
  for (size_t i = 0; i < form.List3.items.size(); ++i) {
    const auto fields = rules::SplitFields(form.List3.items[i]);
    const auto kind = rules::KindOf(fields[0]);
    if (!RuleActs(kind, fields)) continue;  // handled, without effect
    run.entry = FailureEntry::RuleFailure;
    if (!active) active = book.activeSheet();
    ApplyRule(kind, fields, {book, *active, named, form.Text9.text});
  }
}

}  // namespace

void WorkbookEngine::ProcessWorkbook(const std::string& path) {
  FileRun run{path};
  lastFailure_.clear();
  try {
    const auto book = office_.open(path, host::OpenMode::Edit);
    const auto named = book->worksheet(form_.Text9.text);
    if (VetoPasses(form_, *named)) {
      ApplyRules(form_, *book, *named, run);
    } else {
      log_.setlog(VetoEntry(path));
    }
    const std::string out = BuildOutputPath(form_, path);
    run.entry = FailureEntry::RuleFailure;
    if (form_.Check1.value == 1) {
      book->save();
    } else if (SameFile(out, path)) {
      // The naming rules lead back to the source itself; it is only ever
      // written over when saving in place was asked for.
      throw RuleError("the output path is the source workbook itself: " + out);
    } else {
      book->saveAs(out);
    }
  } catch (const host::HostUnavailable&) {
    throw;
  } catch (const std::exception& e) {
    lastFailure_ = e.what();
    log_.setlog(run.logEntry());
  }
}

}  // namespace sheetwise::batch
