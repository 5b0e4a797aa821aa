#include "batch/LogEntries.h"

#include "rules/TextBetween.h"

namespace sheetwise::batch {
namespace {

constexpr std::string_view kVetoText = "触发否决条件：";

std::string FileEntry(std::string_view kind, const std::string& path) {
  return std::string(kind) + std::string(kFileStart) + path + std::string(kFileEnd);
}

}  // namespace

std::string VetoEntry(const std::string& path) { return FileEntry(kVetoText, path); }

bool IsVetoEntry(const std::string& entry) { return entry.rfind(kVetoText, 0) == 0; }

std::string ProcessingErrorEntry(const std::string& path) { return "处理异常：" + path; }

std::string RuleFailureEntry(const std::string& path) { return FileEntry("表头不匹配处理失败：", path); }
constexpr std::string_view kVerificationText = "保存校验有差异：";
std::string VerificationEntry(const std::string& path) { return FileEntry(kVerificationText, path); }

std::string LoggedPath(const std::string& entry) { return rules::TextBetween(entry, kFileStart, kFileEnd); }

}  // namespace sheetwise::batch
