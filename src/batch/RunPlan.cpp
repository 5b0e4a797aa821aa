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

// The run's inputs, found by name and, for hard links, by file identity.
class Inputs {
 public:
  explicit Inputs(Resolver& resolved) : resolved_(resolved) {}
  void add(const std::string& path) {
    const fs::path resolved = resolved_(path);
    byName_.emplace(resolved, path);
    if (const auto id = IdOf(resolved)) byId_.emplace(*id, path);
  }
  // The input that path would write over, if any.
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

std::optional<PlanProblem> CheckCopies(const NamingRules& naming, const std::vector<std::string>& workbooks,
                                       const std::vector<std::string>& folders, const Inputs& inputs,
                                       Resolver& resolved, std::map<fs::path, std::string>& outputs) {
  const fs::path save = resolved(naming.saveFolder);
  for (const auto& folder : folders) {
    const std::string mirrored = MirroredFolder(naming, folder);
    if (!Within(resolved(mirrored), save)) {
      return PlanProblem{PlanProblemKind::OutsideSaveFolder, folder, mirrored, ""};
    }
  }
  for (const auto& source : workbooks) {
    const std::string out = BuildOutputPath(naming, source);
    const fs::path copy = resolved(out);
    if (!Within(copy, save)) return PlanProblem{PlanProblemKind::OutsideSaveFolder, source, out, ""};
    if (const auto input = inputs.find(copy)) return PlanProblem{PlanProblemKind::OutputIsInput, source, *input, ""};
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

std::optional<PlanProblem> CheckRunFiles(const RunFiles& files, const Inputs& inputs, Resolver& resolved,
                                         const std::map<fs::path, std::string>& outputs) {
  std::map<fs::path, std::string> written;
  for (const std::string& file : {files.logFile, files.csvFile, files.reportFile}) {
    if (file.empty()) continue;
    const fs::path path = resolved(file);
    if (const auto input = inputs.find(path)) return PlanProblem{PlanProblemKind::RunFileIsInput, file, *input, ""};
    if (const auto it = outputs.find(path); it != outputs.end()) {
      return PlanProblem{PlanProblemKind::RunFileIsInput, file, it->first.string(), ""};
    }
    if (const auto [it, added] = written.emplace(path, file); !added) {
      return PlanProblem{PlanProblemKind::RunFileIsInput, file, it->second, ""};
    }
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
  Inputs inputs(resolved);
  for (const auto& workbook : workbooks) inputs.add(workbook);
  if (!files.rulesFile.empty()) inputs.add(files.rulesFile);
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
      return Fill(Tr("the log or output file {1} is the same file as {2}, which this run also reads or writes"),
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
  }
  return "";
}

}  // namespace sheetwise::batch
