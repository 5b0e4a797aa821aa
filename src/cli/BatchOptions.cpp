#include "cli/BatchOptions.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "cli/OptionChecks.h"
#include "cli/SchedulerShard.h"
#include "host/Translate.h"
#include "rules/RuleFileEncoding.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

const char* const kBatchHelp = N_(R"(Usage: sheetwise-batch --source DIR --rules FILE (--save DIR | --in-place | --extract) [options]
       sheetwise-batch --source DIR --rules FILE --preview N [--only PATH...] [options]
       sheetwise-batch --merge-reports OUT REPORT...
       sheetwise-batch --undo REPORT [--report FILE] [--quiet]
       sheetwise-batch --forget REPORT

Applies one rule list to every workbook below DIR (.xls unless --types names more
kinds), or reads key cells out of them.

Required:
  --source DIR           folder tree to process (workbooks of the kinds --types names,
                         in any letter case; hidden folders are skipped)
  --rules FILE           rule file, one rule string per line (e.g. {插入行}|正行|5); a pipe,
                         or - for standard input, is read the same way
  --save DIR             save edited copies here, in a mirrored folder tree
  --in-place             save each workbook over its source instead
  --extract              read cells instead of editing: every rule must be {小偷}ROW|COL|

Options:
  --types LIST           the kinds of workbook taken, separated by commas: xls, xlsx,
                         xlsm, ods, or all (default xls); each is saved in its own format
  --encoding NAME        the rule file's encoding: utf-8, gb18030 (gbk), big5,
                         shift-jis, euc-kr, or another name iconv knows (default:
                         decided from the file, and said once)
  --sheet NAME           the named sheet (default Sheet1)
  --veto-row N --veto-col L --veto-value TEXT
                         leave a workbook unedited (but saved) unless cell L N of the
                         named sheet holds TEXT exactly
  --prefix TEXT          put TEXT before each file name; "日期" becomes today's date
  --name-replace FROM TO replace FROM by TO in each file name
  --path-replace FROM TO replace FROM by TO in each whole output path (FROM must not
                         occur in the save folder)
  --output FILE          extraction CSV (file,row,column,text); default standard output
  --log FILE             error log (default 错误日志.log in the current directory);
                         "-" writes it to standard error
  --report FILE          one row per workbook: source, outcome, output, reason,
                         verification differences, seconds, what the rules
                         changed; CSV, or JSON Lines when FILE ends in .jsonl
  --changes-full         list every change in the report (default: the first 20
                         and how many more)
  --resume FILE          skip the workbooks an earlier report FILE lists as done
                         with the same rules and settings, unchanged since; with
                         --report FILE the new rows are appended to it
  --backup DIR           in place, keep the originals in a run folder inside DIR
                         (default: NAME.originals beside the report NAME.csv; without
                         --report, the run writes its report beside the log)
  --no-backup            in place, keep no originals (the run cannot be undone)
  --undo REPORT          put back the originals of the in-place run of REPORT in every
                         workbook that still holds what the run wrote; the undo's own
                         report is NAME.undo.csv beside it, or --report FILE
  --forget REPORT        remove the originals the in-place run of REPORT kept
  --csv-raw              write the texts of the CSV files exactly (by default a text
                         that a spreadsheet would run as a formula gets a leading ')
  --jobs N               office processes side by side (default: processors, at most 4)
  --office-memory MB     the memory each office may take; a workbook that needs more
                         fails and the run goes on (default: half the machine's
                         memory shared among the offices, at least 2048)
  --shard K/N            take only the K-th of N disjoint shares of the tree (by a
                         hash of each file's path below DIR)
  --shard auto/N         the share of a batch scheduler's array task among N: a
                         Kubernetes Indexed Job, AWS Batch or Slurm job array
  --dry-run              print each source file and its output path; open nothing
  --preview N            edit the first N workbooks of the plan into a temporary
                         folder, print what the rules changed in each and what the
                         check found, and keep nothing (takes no --save or --in-place)
  --only PATH...         with --preview: these workbooks of the plan instead
  --quiet                no progress bar and only the failed workbooks' lines on
                         standard error
  --no-verify            do not read each saved workbook back to compare it with its source
  --strict               a saved copy that differs from its source outside the rules'
                         cells is not written and the workbook fails
  --keep-owner=no        in place, a workbook whose owner cannot be kept (a shared
                         volume) becomes this user's, keeping its group, mode,
                         attributes and ACLs
  --merge-reports OUT REPORT...
                         put the reports of several tasks together into OUT, one
                         row per workbook: its last processed, vetoed or failed row
  --help, --version

Exit status: 0 no workbook failed (vetoed ones count as processed); 1 some failed
or were written without a check of their save, or an output (report, CSV, log)
could not be written, for reasons another try meets again; 75 something failed
that another try may not meet (an office ended, hung or could not start, a disk
was full); 2 bad arguments; 130 interrupted (143 after SIGTERM).
)");

namespace {

int PositiveNumber(const std::string& option, const std::string& text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1) {
    throw UsageError(Tr("%s needs a whole number of at least 1, not \"%s\"", {option, text}));
  }
  return value;
}

// An office cannot even start in less.
constexpr int kLeastOfficeMemory = 1024;

int OfficeMemory(const std::string& text) {
  const int megabytes = PositiveNumber("--office-memory", text);
  if (megabytes < kLeastOfficeMemory) {
    throw UsageError(Tr("--office-memory needs at least %s (megabytes), not %s",
                        {std::to_string(kLeastOfficeMemory), text}));
  }
  return megabytes;
}

void ParseShard(BatchOptions& o, const std::string& text) {
  if (text == "auto" || text.starts_with("auto/")) {
    std::optional<int> count;
    if (text != "auto") count = PositiveNumber("--shard", text.substr(5));
    const ShardChoice shard = ShardFromScheduler(count, host::ProcessEnvironment());
    o.shardIndex = shard.index;
    o.shardCount = shard.count;
    return;
  }
  const size_t slash = text.find('/');
  if (slash == std::string::npos) throw UsageError(Tr("--shard needs K/N, for example 2/3, not \"%s\"", {text}));
  o.shardIndex = PositiveNumber("--shard", text.substr(0, slash));
  o.shardCount = PositiveNumber("--shard", text.substr(slash + 1));
  if (o.shardIndex > o.shardCount) throw UsageError(Tr("--shard K/N needs K between 1 and N, not %s", {text}));
}

std::string EncodingOption(const std::string& name) {
  if (!rules::KnownEncoding(name)) {
    throw UsageError(
        Tr("--encoding: there is no encoding named \"%s\" (utf-8, gb18030, big5, shift-jis, euc-kr, ...)", {name}));
  }
  return name;
}

using Handler = std::function<void(BatchOptions&, const std::vector<std::string>&)>;

// The count of an option that takes every value up to the next option (at least one).
constexpr int kUntilNextOption = -1;

// How many values the option at args[at] takes.
size_t ValueCount(int count, const std::vector<std::string>& args, size_t at) {
  if (count != kUntilNextOption) return static_cast<size_t>(count);
  size_t values = 0;
  while (at + 1 + values < args.size() && !args[at + 1 + values].starts_with("--")) ++values;
  if (values == 0) throw UsageError(Tr("%s needs at least 1 value", {args[at]}));
  return values;
}

// Each option with the number of values it takes.
const std::map<std::string, std::pair<int, Handler>>& Options() {
  static const std::map<std::string, std::pair<int, Handler>> options = {
      {"--source", {1, [](auto& o, auto& v) { o.source = v[0]; }}},
      {"--rules", {1, [](auto& o, auto& v) { o.rulesFile = v[0]; }}},
      {"--encoding", {1, [](auto& o, auto& v) { o.encoding = EncodingOption(v[0]); }}},
      {"--save", {1, [](auto& o, auto& v) { o.save = v[0]; }}},
      {"--in-place", {0, [](auto& o, auto&) { o.inPlace = true; }}},
      {"--sheet", {1, [](auto& o, auto& v) { o.sheet = v[0]; }}},
      {"--veto-row", {1, [](auto& o, auto& v) { o.vetoRow = v[0]; }}},
      {"--veto-col", {1, [](auto& o, auto& v) { o.vetoColumn = v[0]; }}},
      {"--veto-value", {1, [](auto& o, auto& v) { o.vetoValue = v[0]; }}},
      {"--prefix", {1, [](auto& o, auto& v) { o.prefix = v[0]; }}},
      {"--name-replace", {2, [](auto& o, auto& v) { o.nameFrom = v[0], o.nameTo = v[1]; }}},
      {"--path-replace", {2, [](auto& o, auto& v) { o.pathFrom = v[0], o.pathTo = v[1]; }}},
      {"--extract", {0, [](auto& o, auto&) { o.extract = true; }}},
      {"--output", {1, [](auto& o, auto& v) { o.output = v[0]; }}},
      {"--log", {1, [](auto& o, auto& v) { o.log = v[0]; }}},
      {"--report", {1, [](auto& o, auto& v) { o.report = v[0]; }}},
      {"--resume", {1, [](auto& o, auto& v) { o.resume = v[0]; }}},
      {"--jobs", {1, [](auto& o, auto& v) { o.jobs = PositiveNumber("--jobs", v[0]); }}},
      {"--office-memory", {1, [](auto& o, auto& v) { o.officeMemory = OfficeMemory(v[0]); }}},
      {"--shard", {1, [](auto& o, auto& v) { ParseShard(o, v[0]); }}},
      {"--dry-run", {0, [](auto& o, auto&) { o.dryRun = true; }}},
      {"--quiet", {0, [](auto& o, auto&) { o.quiet = true; }}},
      {"--csv-raw", {0, [](auto& o, auto&) { o.csvRaw = true; }}},
      {"--backup", {1, [](auto& o, auto& v) { o.backup = v[0]; }}},
      {"--no-backup", {0, [](auto& o, auto&) { o.keepOriginals = false; }}},
      {"--undo", {1, [](auto& o, auto& v) { o.undo = v[0]; }}},
      {"--forget", {1, [](auto& o, auto& v) { o.forget = v[0]; }}},
      {"--no-verify", {0, [](auto& o, auto&) { o.verify = false; }}},
      {"--strict", {0, [](auto& o, auto&) { o.strict = true; }}},
      {"--changes-full", {0, [](auto& o, auto&) { o.changesFull = true; }}},
      {"--preview", {1, [](auto& o, auto& v) { o.preview = PositiveNumber("--preview", v[0]); }}},
      {"--only", {kUntilNextOption, [](auto& o, auto& v) { o.only = v; }}},
      {"--keep-owner=no", {0, [](auto& o, auto&) { o.keepOwner = false; }}},
      {"--types", {1, [](auto& o, auto& v) { o.kinds = TypesOption(v[0]); }}},
      {"--help", {0, [](auto& o, auto&) { o.help = true; }}},
      {"--version", {0, [](auto& o, auto&) { o.version = true; }}},
  };
  return options;
}

}  // namespace

BatchOptions ParseBatchOptions(const std::vector<std::string>& args) {
  BatchOptions options;
  std::set<std::string> given;
  for (size_t i = 0; i < args.size(); ++i) {
    const auto it = Options().find(args[i]);
    if (it == Options().end()) throw UsageError(Tr("unknown option \"%s\" (see --help)", {args[i]}));
    const auto& [declared, handle] = it->second;
    const size_t count = ValueCount(declared, args, i);
    if (i + count >= args.size()) {
      throw UsageError(count == 1 ? Tr("%s needs 1 value", {args[i]}) : Tr("%s needs 2 values", {args[i]}));
    }
    if (!given.insert(args[i]).second) throw UsageError(Tr("%s is given twice: give it once", {args[i]}));
    const auto first = args.begin() + static_cast<std::ptrdiff_t>(i + 1);
    const std::vector<std::string> values(first, first + static_cast<std::ptrdiff_t>(count));
    handle(options, values);
    i += count;
  }
  if (options.help || options.version) return options;
  CheckOptions(options);
  return options;
}

std::string AsFolder(const std::string& path) {
  std::string folder = fs::absolute(path).lexically_normal().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

RunSettings RunSettingsFor(const BatchOptions& o, const std::vector<std::string>& rules) {
  RunSettings settings;
  settings.sheetName = o.sheet;
  settings.veto = {o.vetoRow, o.vetoColumn, o.vetoValue};
  settings.inPlace = o.inPlace;
  settings.naming.sourceFolder = AsFolder(o.source);
  // Saving in place or extracting computes output paths that are not used:
  // the source folder stands in for the save folder.
  settings.naming.saveFolder = o.save.empty() ? settings.naming.sourceFolder : AsFolder(o.save);
  settings.naming.nameFrom = o.nameFrom;
  settings.naming.nameTo = o.nameTo;
  settings.naming.pathFrom = o.pathFrom;
  settings.naming.pathTo = o.pathTo;
  settings.naming.namePrefix = o.prefix;
  settings.rules = rules::ParseRules(rules, o.extract);
  settings.verify = o.verify;
  settings.strictVerify = o.strict;
  settings.changesShown = o.changesFull ? SIZE_MAX : verify::kChangesShown;
  settings.kinds = o.kinds;
  return settings;
}

int DefaultJobs() {
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<int>(std::min(processors, 4u));
}

}  // namespace sheetwise::batch
