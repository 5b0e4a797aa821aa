#include "cli/OptionChecks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "host/FailureReason.h"
#include "host/Translate.h"
#include "rules/RuleString.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;
using host::FileAction;
using host::ReasonForError;

namespace {

constexpr int kLastRow = 65536;

[[noreturn]] void Refuse(const std::string& message) { throw UsageError(message); }

void CheckRequired(const BatchOptions& o) {
  if (o.source.empty()) Refuse(Tr("--source DIR is required"));
  if (o.rulesFile.empty()) Refuse(Tr("--rules FILE is required"));
  if (o.extract) {
    if (!o.save.empty() || o.inPlace) {
      Refuse(Tr("--extract only reads workbooks: leave out --save and --in-place"));
    }
    return;
  }
  if (o.preview > 0) return;  // saves into a folder of its own
  if (!o.save.empty() && o.inPlace) Refuse(Tr("give either --save DIR or --in-place, not both"));
  if (o.save.empty() && !o.inPlace) Refuse(Tr("give --save DIR or --in-place (or --extract)"));
  if (!o.output.empty()) Refuse(Tr("--output names the extraction's CSV file: it goes with --extract only"));
}

// A preview keeps nothing: it takes no saving mode and writes no file of its own.
void CheckPreview(const BatchOptions& o) {
  if (o.preview == 0) {
    if (!o.only.empty()) Refuse(Tr("--only PATH... goes with --preview N"));
    return;
  }
  const bool writes = !o.save.empty() || o.inPlace || o.extract || !o.output.empty() || !o.log.empty() ||
                      !o.report.empty() || !o.resume.empty() || !o.backup.empty() || !o.keepOriginals || o.dryRun;
  const bool names = !o.prefix.empty() || !o.nameFrom.empty() || !o.pathFrom.empty();
  if (writes || names) {
    Refuse(Tr("--preview edits into a temporary folder, prints what changed and keeps nothing: leave out --save, "
              "--in-place, --extract, --output, --log, --report, --resume, --backup, --no-backup, --dry-run, "
              "--prefix, --name-replace and --path-replace"));
  }
}

// Options that would be silently ignored by the chosen mode.
void CheckIgnored(const BatchOptions& o) {
  const bool naming = !o.prefix.empty() || !o.nameFrom.empty() || !o.pathFrom.empty();
  if (o.inPlace && naming) {
    Refuse(Tr("--in-place keeps every file name: leave out --prefix, --name-replace and --path-replace"));
  }
  if (o.extract && (naming || !o.vetoRow.empty() || !o.vetoValue.empty())) {
    Refuse(
        Tr("--extract neither tests a veto nor names files: leave out --veto-*, --prefix, --name-replace "
           "and --path-replace"));
  }
  if (!o.keepOwner && !o.inPlace) Refuse(Tr("--keep-owner=no goes with --in-place: copies are this user's anyway"));
  if (o.extract && o.changesFull) Refuse(Tr("--changes-full goes with --save, --in-place or --preview: --extract changes nothing"));
}

void CheckVeto(const BatchOptions& o) {
  if (o.vetoRow.empty() != o.vetoColumn.empty()) Refuse(Tr("--veto-row and --veto-col go together"));
  if (o.vetoRow.empty()) {
    if (!o.vetoValue.empty()) Refuse(Tr("--veto-value needs --veto-row and --veto-col"));
    return;
  }
  const auto row = rules::RoundedInteger(o.vetoRow);
  if (!row) Refuse(Tr("--veto-row needs a row number, not \"%s\"", {o.vetoRow}));
  if (*row < 1 || *row > kLastRow) {
    Refuse(
        Tr("--veto-row: row %s does not exist (rows are 1 to %s)", {std::to_string(*row), std::to_string(kLastRow)}));
  }
  if (o.vetoColumn.size() != 1 || o.vetoColumn[0] < 'A' || o.vetoColumn[0] > 'Z') {
    Refuse(Tr("--veto-col needs one capital column letter A to Z, not \"%s\"", {o.vetoColumn}));
  }
}

void CheckSheetAndNames(const BatchOptions& o) {
  if (o.sheet.empty()) Refuse(Tr("--sheet needs a sheet name"));
  if (o.sheet.find_first_of(":\\/?*[]") != std::string::npos) {
    Refuse(Tr("--sheet: no sheet can be named \"%s\" (a sheet name cannot hold : \\ / ? * [ ])", {o.sheet}));
  }
  if (!o.nameFrom.empty() || !o.nameTo.empty()) {
    if (o.nameFrom.empty()) Refuse(Tr("--name-replace needs a text to replace"));
  }
  if ((!o.pathFrom.empty() || !o.pathTo.empty()) && o.pathFrom.empty()) {
    Refuse(Tr("--path-replace needs a text to replace"));
  }
  if (!o.pathFrom.empty() && !o.save.empty()) {
    const std::string save = fs::absolute(o.save).lexically_normal().string() + "/";
    if (save.find(o.pathFrom) != std::string::npos) {
      Refuse(
          Tr("--path-replace: \"%s\" occurs in the save folder %s, where it would be replaced too; "
             "choose a text that does not",
             {o.pathFrom, save}));
    }
  }
}

// A folder that must exist and be listed (source) or written into (save).
void CheckFolder(const std::string& option, const std::string& path, int access) {
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (ec || !fs::exists(status)) {
    const int error = ec ? ec.value() : ENOENT;
    Refuse(option + ": " + ReasonForError(error, FileAction::OpenFolder, path));
  }
  if (!fs::is_directory(status)) Refuse(Tr("%s: %s is a file, not a folder", {option, path}));
  if (::access(path.c_str(), access) != 0) {
    const FileAction action = access & W_OK ? FileAction::WriteFolder : FileAction::OpenFolder;
    Refuse(option + ": " + ReasonForError(errno, action, path));
  }
}

// The save (or backup) folder is made when missing, inside a folder that must exist.
void CheckSaveFolder(const std::string& option, const std::string& path) {
  std::error_code ec;
  if (fs::exists(path, ec)) {
    CheckFolder(option, path, W_OK | X_OK);
    return;
  }
  const fs::path parent = fs::absolute(path).lexically_normal().parent_path();
  CheckFolder(option, parent.string(), W_OK | X_OK);
}

// Whether folder lies in the save folder, where the run makes the mirrored folders.
bool InSaveFolder(const fs::path& folder, const std::string& save) {
  if (save.empty()) return false;
  const fs::path root = fs::absolute(save).lexically_normal();
  const fs::path relative = folder.lexically_normal().lexically_relative(root);
  return !relative.empty() && *relative.begin() != "..";
}

// A file the run will write (appending or replacing): its folder must take it.
// save: the save folder, in which missing folders are made by the run.
void CheckWritableFile(const std::string& option, const std::string& path, const std::string& save) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) Refuse(Tr("%s: %s is a folder, not a file", {option, path}));
  if (fs::exists(path, ec)) {
    if (::access(path.c_str(), W_OK) != 0) Refuse(option + ": " + ReasonForError(errno, FileAction::ReplaceFile, path));
    return;
  }
  const fs::path folder = fs::absolute(path).parent_path();
  if (!fs::is_directory(folder, ec)) {
    if (InSaveFolder(folder, save)) return;
    Refuse(option + ": " + ReasonForError(ENOENT, FileAction::OpenFolder, folder.string()));
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    Refuse(option + ": " + ReasonForError(errno, FileAction::WriteFolder, folder.string()));
  }
  if (const auto reason = host::NameTooLongReason(fs::absolute(path))) Refuse(option + ": " + *reason);
}

// A rule file is read once to its end, so a pipe or a terminal serves as well as a file.
void CheckRuleFile(const std::string& path) {
  if (path == kStandardInput) return;
  std::error_code ec;
  if (fs::is_directory(path, ec)) Refuse(Tr("--rules: %s is a folder, not a rule file", {path}));
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
    if (::access(path.c_str(), R_OK) != 0) Refuse("--rules: " + ReasonForError(errno, FileAction::ReadFile, path));
    return;
  }
  if (const auto reason = host::UnreadableReason(path)) Refuse("--rules: " + *reason);
}

void CheckPaths(const BatchOptions& o) {
  CheckFolder("--source", o.source, R_OK | X_OK);
  CheckRuleFile(o.rulesFile);
  if (!o.save.empty()) CheckSaveFolder("--save", o.save);
  if (!o.backup.empty()) CheckSaveFolder("--backup", o.backup);
  if (!o.log.empty() && o.log != "-") CheckWritableFile("--log", o.log, o.save);
  if (!o.output.empty()) CheckWritableFile("--output", o.output, o.save);
  if (!o.report.empty()) CheckWritableFile("--report", o.report, o.save);
}

// --undo and --forget take a report and nothing of a run; originals are kept by in-place runs only.
bool CheckOriginalsOptions(const BatchOptions& o) {
  if (!o.undo.empty() || !o.forget.empty()) {
    const bool other = !o.source.empty() || !o.rulesFile.empty() || !o.save.empty() || o.inPlace || o.extract ||
                       !o.log.empty() || !o.resume.empty() || !o.backup.empty() || !o.keepOriginals || o.dryRun ||
                       o.preview > 0;
    if (!o.undo.empty() && !o.forget.empty()) Refuse(Tr("give either --undo REPORT or --forget REPORT, not both"));
    if (other || (!o.forget.empty() && (!o.report.empty() || o.quiet))) {
      Refuse(!o.undo.empty() ? Tr("--undo REPORT takes no other options than --report FILE and --quiet")
                             : Tr("--forget REPORT takes no other options"));
    }
    return true;
  }
  if ((!o.backup.empty() || !o.keepOriginals) && !o.inPlace) {
    Refuse(Tr("--backup and --no-backup go with --in-place only: other runs replace no workbook"));
  }
  if (!o.backup.empty() && !o.keepOriginals) Refuse(Tr("give either --backup DIR or --no-backup, not both"));
  return false;
}

}  // namespace

WorkbookKinds TypesOption(const std::string& list) {
  const KindList parsed = ParseWorkbookKinds(list);
  if (!parsed.refusal.empty()) Refuse("--types: " + parsed.refusal);
  return parsed.kinds;
}

void CheckOptions(const BatchOptions& options) {
  if (CheckOriginalsOptions(options)) return;
  CheckPreview(options);
  CheckRequired(options);
  CheckIgnored(options);
  CheckVeto(options);
  CheckSheetAndNames(options);
  CheckPaths(options);
}

std::optional<std::string> CheckRuleList(const BatchOptions& options, const std::vector<rules::ParsedRule>& rules) {
  if (rules.empty()) {
    if (options.extract) Refuse(Tr("the rule list is empty: there is no cell to read"));
    return Tr("the rule list is empty: workbooks are copied unchanged");
  }
  for (size_t i = 0; i < rules.size(); ++i) {
    if (rules[i].readable()) continue;
    if (options.extract) {
      Refuse(
          Tr("--extract reads one cell per rule, written {小偷}ROW|COLUMN| (for example {小偷}5|B|); "
             "rule %s of the rule file is \"%s\": %s",
             {std::to_string(i + 1), rules::Quoted(rules[i].text), rules[i].refusal}));
    }
    Refuse(Tr("rule %s of the rule file %s, \"%s\": %s",
              {std::to_string(i + 1), options.rulesFile, rules::Quoted(rules[i].text), rules[i].refusal}));
  }
  return std::nullopt;
}

}  // namespace sheetwise::batch
