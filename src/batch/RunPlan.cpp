#include "batch/RunPlan.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>

#include "batch/OutputNaming.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

namespace {

// One name for one file: links resolved, "." and ".." gone. The folders of a
// tree repeat, so each folder is resolved once.
class Resolver {
 public:
  fs::path operator()(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (slash == std::string::npos || name.empty() || name == "." || name == "..") return resolve(path);
    const std::string folder = path.substr(0, slash + 1);
    auto it = folders_.find(folder);
    if (it == folders_.end()) it = folders_.emplace(folder, resolve(folder)).first;
    return it->second / name;
  }

 private:
  static fs::path resolve(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(path), ec);
    return ec ? fs::absolute(path).lexically_normal() : resolved;
  }
  std::map<std::string, fs::path> folders_;
};

bool Within(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // the trailing "/" of a folder
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

struct FileId {
  dev_t device;
  ino_t inode;
  auto operator<=>(const FileId&) const = default;
};

std::optional<FileId> IdOf(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileId{info.st_dev, info.st_ino};
}

// Files found by name and, for hard links, by file identity.
class KnownFiles {
 public:
  explicit KnownFiles(Resolver& resolved) : resolved_(resolved) {}
  void add(const std::string& path) {
    const fs::path resolved = resolved_(path);
    byName_.emplace(resolved, path);
    if (const auto id = IdOf(resolved)) byId_.emplace(*id, path);
  }
  // The known file that resolved is, if any.
  std::optional<std::string> find(const fs::path& resolved) const {
    if (const auto it = byName_.find(resolved); it != byName_.end()) return it->second;
    if (const auto id = IdOf(resolved)) {
      if (const auto it = byId_.find(*id); it != byId_.end()) return it->second;
    }
    return std::nullopt;
  }

 private:
  Resolver& resolved_;
  std::map<fs::path, std::string> byName_;
  std::map<FileId, std::string> byId_;
};

bool SameFile(const std::string& a, const std::string& b, Resolver& resolved) {
  if (a.empty() || b.empty()) return false;
  KnownFiles one(resolved);
  one.add(a);
  return one.find(resolved(b)).has_value();
}

// The folders of the source tree, links resolved: the source folder and every
// folder the scan reached (through links too).
class SourceTree {
 public:
  SourceTree(const std::string& sourceFolder, const std::vector<std::string>& folders, Resolver& resolved) {
    if (!sourceFolder.empty()) roots_.insert(AsKey(resolved(sourceFolder)));
    for (const auto& folder : folders) roots_.insert(AsKey(resolved(folder)));
  }
  // Whether a file is at path (a link counts) and lies in the tree.
  bool holdsFileAt(const fs::path& path) const {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    for (fs::path folder = path.parent_path(); !folder.empty(); folder = folder.parent_path()) {
      if (roots_.count(folder)) return true;
      if (folder == folder.root_path()) break;
    }
    return false;
  }

 private:
  static fs::path AsKey(const fs::path& folder) { return folder.has_filename() ? folder : folder.parent_path(); }
  std::set<fs::path> roots_;
};

// A file name the copy can have: no folder in it, not empty, "." or "..".
bool UsableName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The name the naming rules give the copy of source, when it is no usable one.
std::optional<std::string> UnusableNameOf(const NamingRules& naming, const std::string& source,
                                          const std::string& out) {
  const std::string name = OutputFileName(naming, source.substr(source.rfind('/') + 1));
  if (!UsableName(name)) return name;
  const std::string last = out.substr(out.rfind('/') + 1);  // after the path replacement
  if (!UsableName(last)) return last;
  return std::nullopt;
}

std::optional<PlanProblem> CheckCopies(const NamingRules& naming, const std::vector<std::string>& workbooks,
                                       const std::vector<std::string>& folders, const KnownFiles& inputs,
                                       Resolver& resolved, std::map<fs::path, std::string>& outputs) {
  const fs::path save = resolved(naming.saveFolder);
  const SourceTree tree(naming.sourceFolder, folders, resolved);
  for (const auto& folder : folders) {
    const std::string mirrored = MirroredFolder(naming, folder);
    if (!Within(resolved(mirrored), save)) {
      return PlanProblem{PlanProblemKind::OutsideSaveFolder, folder, mirrored, ""};
    }
  }
  for (const auto& source : workbooks) {
    const std::string out = BuildOutputPath(naming, source);
    if (const auto name = UnusableNameOf(naming, source, out)) {
      return PlanProblem{PlanProblemKind::UnusableName, source, *name, ""};
    }
    const fs::path copy = resolved(out);
    if (!Within(copy, save)) return PlanProblem{PlanProblemKind::OutsideSaveFolder, source, out, ""};
    if (const auto input = inputs.find(copy)) return PlanProblem{PlanProblemKind::OutputIsInput, source, *input, ""};
    // The save folder is left out of the scan: its files are no inputs, but they are the user's.
    if (tree.holdsFileAt(copy)) return PlanProblem{PlanProblemKind::OverwritesTreeFile, source, out, ""};
    const auto [it, added] = outputs.emplace(copy, source);
    if (!added) return PlanProblem{PlanProblemKind::SharedOutput, it->second, source, out};
  }
  return std::nullopt;
}

// In place, two entries that are one file (links to it) would edit it twice.
std::optional<PlanProblem> CheckInPlace(const std::vector<std::string>& workbooks, Resolver& resolved) {
  std::map<FileId, std::string> files;
  for (const auto& source : workbooks) {
    const auto id = IdOf(resolved(source));
    if (!id) continue;
    if (const auto [it, added] = files.emplace(*id, source); !added) {
      return PlanProblem{PlanProblemKind::SharedOutput, it->second, source, resolved(source).string()};
    }
  }
  return std::nullopt;
}

// Each file the run writes is none of its inputs or copies and no other file it writes.
std::optional<PlanProblem> CheckRunFiles(const RunFiles& files, const KnownFiles& inputs, Resolver& resolved,
                                         const std::map<fs::path, std::string>& outputs) {
  KnownFiles written(resolved);
  for (const std::string& file : {files.logFile, files.csvFile, files.reportFile, files.journalFile}) {
    if (file.empty()) continue;
    const fs::path path = resolved(file);
    for (const KnownFiles* known : {&inputs, static_cast<const KnownFiles*>(&written)}) {
      if (const auto other = known->find(path)) return PlanProblem{PlanProblemKind::RunFileIsInput, file, *other, ""};
    }
    if (const auto it = outputs.find(path); it != outputs.end()) {
      return PlanProblem{PlanProblemKind::RunFileIsInput, file, it->first.string(), ""};
    }
    written.add(file);
  }
  return std::nullopt;
}

// The template with {1}, {2}, ... replaced by the values.
std::string Fill(std::string text, const std::vector<std::string>& values) {
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string mark = "{" + std::to_string(i + 1) + "}";
    if (const size_t at = text.find(mark); at != std::string::npos) text.replace(at, mark.size(), values[i]);
  }
  return text;
}

}  // namespace

bool LiesWithin(const std::string& path, const std::string& folder) {
  Resolver resolved;
  return Within(resolved(path), resolved(folder));
}

void EraseWithin(std::vector<std::string>& paths, const std::string& folder) {
  Resolver resolved;
  const fs::path outer = resolved(folder);
  std::erase_if(paths, [&](const std::string& path) { return Within(resolved(path), outer); });
}

std::optional<PlanProblem> CheckRunPlan(const RunSettings& settings, bool extraction,
                                        const std::vector<std::string>& workbooks,
                                        const std::vector<std::string>& folders, const RunFiles& files) {
  Resolver resolved;
  KnownFiles inputs(resolved);
  for (const auto& workbook : workbooks) inputs.add(workbook);
  // A report resumed into itself is appended to, its journal too: both are read before they are written.
  const bool appended = SameFile(files.resumeFile, files.reportFile, resolved);
  for (const std::string& read : {files.rulesFile, appended ? std::string() : files.resumeFile,
                                  appended ? std::string() : files.resumeJournal}) {
    if (!read.empty()) inputs.add(read);
  }
  std::map<fs::path, std::string> outputs;
  if (!extraction && !settings.inPlace) {
    if (auto problem = CheckCopies(settings.naming, workbooks, folders, inputs, resolved, outputs)) return problem;
  }
  if (!extraction && settings.inPlace) {
    if (auto problem = CheckInPlace(workbooks, resolved)) return problem;
  }
  return CheckRunFiles(files, inputs, resolved, outputs);
}

std::string PlanProblemText(const PlanProblem& p) {
  switch (p.kind) {
    case PlanProblemKind::OutsideSaveFolder:
      return Fill(Tr("the naming options put the copy of {1} outside the save folder, at {2}"), {p.first, p.second});
    case PlanProblemKind::OutputIsInput:
      return Fill(Tr("the copy of {1} would write over {2}, which this run reads"), {p.first, p.second});
    case PlanProblemKind::SharedOutput:
      return Fill(Tr("the naming options give {1} and {2} the same copy {3}"), {p.first, p.second, p.output});
    case PlanProblemKind::RunFileIsInput:
      return Fill(Tr("the file {1}, which this run writes, is the same file as {2}, which it also reads or writes"),
                  {p.first, p.second});
    case PlanProblemKind::OverwritesTreeFile:
      return Fill(Tr("the copy of {1} would write over {2}, a file that is already in the source folder's tree; "
                     "save into a folder outside the source folder"),
                  {p.first, p.second});
    case PlanProblemKind::UnusableName:
      return Fill(Tr("the naming options make \"{2}\" the name of the copy of {1}: a file name holds no \"/\" and "
                     "is not empty, \".\" or \"..\""),
                  {p.first, p.second});
  }
  return "";
}

std::string PlanProblemTextForWindow(const PlanProblem& p) {
  switch (p.kind) {
    case PlanProblemKind::OutsideSaveFolder:
      return "文件名或路径替换会把 " + p.first + " 保存到保存目录之外：" + p.second;
    case PlanProblemKind::OutputIsInput:
      return p.first + " 的保存位置是要处理的文件：" + p.second;
    case PlanProblemKind::SharedOutput:
      return p.first + " 和 " + p.second + " 会保存为同一个文件：" + p.output;
    case PlanProblemKind::RunFileIsInput:
      return "日志文件 " + p.first + " 是要处理或保存的文件：" + p.second;
    case PlanProblemKind::OverwritesTreeFile:
      return p.first + " 的保存位置是源目录中已有的文件：" + p.second + "。请保存到源目录之外";
    case PlanProblemKind::UnusableName:
      return "文件名规则使 " + p.first + " 的保存文件名成为“" + p.second + "”：文件名不能含有“/”，也不能为空、“.”或“..”";
  }
  return "";
}

}  // namespace sheetwise::batch
