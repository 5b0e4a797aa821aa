#include "batch/RunPlan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "batch/OutputNaming.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

fs::path ResolvedPath(const std::string& path) {
  std::error_code ec;
  const fs::path resolved = fs::weakly_canonical(fs::absolute(path), ec);
  return ec ? fs::absolute(path).lexically_normal() : resolved;
}

namespace {

// ResolvedPath for the files of a tree, whose folders repeat: each folder is resolved once.
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
  static fs::path resolve(const std::string& path) { return ResolvedPath(path); }
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

// Where in a list each of its entries is found again: a hash of each entry's
// key, in key order and, for one key, list order. Millions of workbooks take
// a few bytes each; a candidate the hash finds is checked against its key.
template <typename Key>
class ListIndex {
 public:
  void add(const Key& key, std::size_t index) { entries_.push_back({key, static_cast<std::uint32_t>(index)}); }
  void sort() { std::sort(entries_.begin(), entries_.end()); }
  // The first entry of key for which isIt(index) holds.
  std::optional<std::size_t> find(const Key& key, const std::function<bool(std::size_t)>& isIt) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), std::pair<Key, std::uint32_t>{key, 0});
    for (; it != entries_.end() && it->first == key; ++it) {
      if (isIt(it->second)) return it->second;
    }
    return std::nullopt;
  }
  // Of the entries that repeat an earlier one (same(earlier, entry)), the one
  // lowest in the list, with the first entry it repeats: {first, second}.
  std::optional<std::pair<std::size_t, std::size_t>> firstRepeat(
      const std::function<bool(std::size_t, std::size_t)>& same) const {
    std::optional<std::pair<std::size_t, std::size_t>> repeat;
    for (std::size_t group = 0, end = 0; group < entries_.size(); group = end) {
      for (end = group + 1; end < entries_.size() && entries_[end].first == entries_[group].first;) ++end;
      for (std::size_t j = group + 1; j < end; ++j) {
        if (repeat && entries_[j].second >= repeat->second) break;
        for (std::size_t k = group; k < j; ++k) {
          if (same(entries_[k].second, entries_[j].second)) {
            repeat = std::pair<std::size_t, std::size_t>{entries_[k].second, entries_[j].second};
            break;
          }
        }
      }
    }
    return repeat;
  }

 private:
  std::vector<std::pair<Key, std::uint32_t>> entries_;
};

std::uint64_t HashOf(const fs::path& path) { return std::hash<std::string>{}(path.native()); }

// Files found by name and, for hard links, by file identity: the workbooks of
// the run, indexed, and a few more files added one by one.
class KnownFiles {
 public:
  explicit KnownFiles(Resolver& resolved, const WorkbookPaths* workbooks = nullptr)
      : resolved_(resolved), workbooks_(workbooks) {
    for (std::size_t i = 0; workbooks_ && i < workbooks_->size(); ++i) {
      const fs::path path = resolved_((*workbooks_)[i]);
      byName_.add(HashOf(path), i);
      if (const auto id = IdOf(path)) byId_.add(*id, i);
    }
    byName_.sort();
    byId_.sort();
  }
  void add(const std::string& path) {
    const fs::path resolved = resolved_(path);
    more_.push_back({path, resolved, IdOf(resolved)});
  }
  // The known file that resolved is, if any: by name first, then by identity.
  std::optional<std::string> find(const fs::path& resolved) const {
    const auto workbookNamed = byName_.find(HashOf(resolved), [&](std::size_t i) {
      return resolved_((*workbooks_)[i]) == resolved;
    });
    if (workbookNamed) return (*workbooks_)[*workbookNamed];
    for (const auto& file : more_) {
      if (file.resolved == resolved) return file.path;
    }
    const auto id = IdOf(resolved);
    if (!id) return std::nullopt;
    if (const auto workbook = byId_.find(*id, [](std::size_t) { return true; })) return (*workbooks_)[*workbook];
    for (const auto& file : more_) {
      if (file.id == id) return file.path;
    }
    return std::nullopt;
  }

 private:
  struct File {
    std::string path;
    fs::path resolved;
    std::optional<FileId> id;
  };
  Resolver& resolved_;
  const WorkbookPaths* workbooks_;
  ListIndex<std::uint64_t> byName_;
  ListIndex<FileId> byId_;
  std::vector<File> more_;
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

// The copies of the workbooks checked so far, found again by name.
class Copies {
 public:
  Copies(const NamingRules& naming, const WorkbookPaths& workbooks, Resolver& resolved)
      : naming_(naming), workbooks_(workbooks), resolved_(resolved) {}
  void add(const fs::path& copy, std::size_t index) { byName_.add(HashOf(copy), index); }
  // Two workbooks that map to one copy: the first such second workbook.
  std::optional<PlanProblem> firstShared() {
    byName_.sort();
    const auto repeat = byName_.firstRepeat([&](std::size_t a, std::size_t b) { return copyOf(a) == copyOf(b); });
    if (!repeat) return std::nullopt;
    const std::string second = workbooks_[repeat->second];
    return PlanProblem{PlanProblemKind::SharedOutput, workbooks_[repeat->first], second,
                       BuildOutputPath(naming_, second)};
  }
  bool holds(const fs::path& path) const {
    return byName_.find(HashOf(path), [&](std::size_t i) { return copyOf(i) == path; }).has_value();
  }

 private:
  fs::path copyOf(std::size_t index) const { return resolved_(BuildOutputPath(naming_, workbooks_[index])); }

  const NamingRules& naming_;
  const WorkbookPaths& workbooks_;
  Resolver& resolved_;
  ListIndex<std::uint64_t> byName_;
};

std::optional<PlanProblem> CheckCopies(const NamingRules& naming, const WorkbookPaths& workbooks,
                                       const std::vector<std::string>& folders, const KnownFiles& inputs,
                                       Resolver& resolved, Copies& copies) {
  const fs::path save = resolved(naming.saveFolder);
  const SourceTree tree(naming.sourceFolder, folders, resolved);
  for (const auto& folder : folders) {
    const std::string mirrored = MirroredFolder(naming, folder);
    if (!Within(resolved(mirrored), save)) {
      return PlanProblem{PlanProblemKind::OutsideSaveFolder, folder, mirrored, ""};
    }
  }
  // The first problem of one workbook; two workbooks sharing a copy are found
  // among the workbooks before it, as if each copy were checked in turn.
  const auto firstProblem = [&]() -> std::optional<PlanProblem> {
    for (std::size_t i = 0; i < workbooks.size(); ++i) {
      const std::string source = workbooks[i];
      const std::string out = BuildOutputPath(naming, source);
      if (const auto name = UnusableNameOf(naming, source, out)) {
        return PlanProblem{PlanProblemKind::UnusableName, source, *name, ""};
      }
      const fs::path copy = resolved(out);
      if (!Within(copy, save)) return PlanProblem{PlanProblemKind::OutsideSaveFolder, source, out, ""};
      if (const auto input = inputs.find(copy)) return PlanProblem{PlanProblemKind::OutputIsInput, source, *input, ""};
      // The save folder is left out of the scan: its files are no inputs, but they are the user's.
      if (tree.holdsFileAt(copy)) return PlanProblem{PlanProblemKind::OverwritesTreeFile, source, out, ""};
      copies.add(copy, i);
    }
    return std::nullopt;
  }();
  if (auto shared = copies.firstShared()) return shared;
  return firstProblem;
}

// In place, two entries that are one file (links to it) would edit it twice.
std::optional<PlanProblem> CheckInPlace(const WorkbookPaths& workbooks, Resolver& resolved) {
  ListIndex<FileId> files;
  for (std::size_t i = 0; i < workbooks.size(); ++i) {
    if (const auto id = IdOf(resolved(workbooks[i]))) files.add(*id, i);
  }
  files.sort();
  const auto repeat = files.firstRepeat([](std::size_t, std::size_t) { return true; });
  if (!repeat) return std::nullopt;
  const std::string second = workbooks[repeat->second];
  return PlanProblem{PlanProblemKind::SharedOutput, workbooks[repeat->first], second, resolved(second).string()};
}

// Each file the run writes is none of its inputs or copies and no other file it writes.
std::optional<PlanProblem> CheckRunFiles(const RunFiles& files, const KnownFiles& inputs, Resolver& resolved,
                                         const Copies& copies) {
  KnownFiles written(resolved);
  for (const std::string& file : {files.logFile, files.csvFile, files.reportFile, files.journalFile}) {
    if (file.empty()) continue;
    const fs::path path = resolved(file);
    for (const KnownFiles* known : {&inputs, static_cast<const KnownFiles*>(&written)}) {
      if (const auto other = known->find(path)) return PlanProblem{PlanProblemKind::RunFileIsInput, file, *other, ""};
    }
    if (copies.holds(path)) return PlanProblem{PlanProblemKind::RunFileIsInput, file, path.string(), ""};
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

void EraseWithin(WorkbookPaths& paths, const std::string& folder) {
  Resolver resolved;
  const fs::path outer = resolved(folder);
  paths.keepIf([&](std::size_t i) { return !Within(resolved(paths[i]), outer); });
}

std::optional<PlanProblem> CheckRunPlan(const RunSettings& settings, bool extraction,
                                        const WorkbookPaths& workbooks,
                                        const std::vector<std::string>& folders, const RunFiles& files) {
  Resolver resolved;
  KnownFiles inputs(resolved, &workbooks);
  // A report resumed into itself is appended to, its journal too: both are read before they are written.
  const bool appended = SameFile(files.resumeFile, files.reportFile, resolved);
  for (const std::string& read : {files.rulesFile, appended ? std::string() : files.resumeFile,
                                  appended ? std::string() : files.resumeJournal}) {
    if (!read.empty()) inputs.add(read);
  }
  Copies copies(settings.naming, workbooks, resolved);
  if (!extraction && !settings.inPlace) {
    if (auto problem = CheckCopies(settings.naming, workbooks, folders, inputs, resolved, copies)) return problem;
  }
  if (!extraction && settings.inPlace) {
    if (auto problem = CheckInPlace(workbooks, resolved)) return problem;
  }
  return CheckRunFiles(files, inputs, resolved, copies);
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
