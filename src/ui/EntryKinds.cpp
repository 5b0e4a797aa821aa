#include "ui/EntryKinds.h"

namespace sheetwise::ui {

using batch::EntryCause;

namespace {

constexpr const char* kSourceUntouched = "源文件未被改动。";

}  // namespace

EntryKind KindOf(EntryCause cause) {
  const std::string untouched = kSourceUntouched;
  switch (cause) {
    case EntryCause::Vetoed:
      return {"被否定条件跳过", "文件未被改动。若它也该处理，请检查“否定 条件”的行、列和内容。"};
    case EntryCause::InUse:
      return {"文件被占用", untouched + "请关闭正在打开它的程序（或等另一次处理结束）后再处理。"};
    case EntryCause::CannotOpen:
      return {"文件损坏或无法打开",
              untouched + "请用电子表格程序打开检查；有密码的先去掉密码，另存为正常的工作簿后再处理。"};
    case EntryCause::SheetMissing:
      return {"找不到工作表", untouched + "请核对“表名”与该文件中工作表的名字（区分大小写），改好后按“确定”。"};
    case EntryCause::VetoUnreadable:
      return {"否定条件有误", untouched + "“如果行坐标”填数字，“列坐标”填大写字母。"};
    case EntryCause::RuleUnreadable:
      return {"规则无法读取", untouched + "请核对这条规则的写法；规则文件请另存为 UTF-8 编码后重新载入。"};
    case EntryCause::RuleFailed:
      return {"规则失败", untouched + "请核对这条规则的坐标；工作表受保护时请先撤销保护。"};
    case EntryCause::OutputIsSource:
      return {"副本会覆盖源文件", untouched + "请选择源目录以外的保存目录，或修改文件名保存规则。"};
    case EntryCause::InPlaceRefused:
      return {"在源文件上保存被拒绝",
              untouched + "取消勾选“在源文件上修改”，改为保存副本，再核对副本中的差异。"};
    case EntryCause::CopyRefused:
      return {"副本被拒绝", "副本没有写入，" + untouched + "差异见“保存校验的差异”一栏。"};
    case EntryCause::SaveFailed:
      return {"保存失败", untouched + "请检查保存位置能否写入、磁盘是否已满；只读的文件不会被改写。"};
    case EntryCause::CopyDiffers:
      return {"副本有差异", "副本已经写入，带着这些差异；" + untouched + "请打开副本核对这些单元格。"};
    case EntryCause::Unchecked:
      return {"副本未校验", "副本已经写入，但没能校验；" + untouched + "请打开副本自行核对。"};
    case EntryCause::ExtractionFailed:
      return {"提取失败", "该文件的内容没有全部读出。请用电子表格程序打开，检查它是否损坏。"};
    case EntryCause::Unknown:
      break;
  }
  return {"其他问题", "请看“原因”一栏。"};
}

RunCount CountOf(EntryCause cause) {
  switch (cause) {
    case EntryCause::Vetoed:
      return RunCount::Vetoed;
    case EntryCause::CopyDiffers:
      return RunCount::Differs;
    case EntryCause::Unchecked:
      return RunCount::Unchecked;
    case EntryCause::InUse:
    case EntryCause::OutputIsSource:
    case EntryCause::InPlaceRefused:
    case EntryCause::CopyRefused:
      return RunCount::Refused;
    default:
      return RunCount::Failed;
  }
}

void RunTally::addWorkbook(const std::vector<batch::LogEntry>& entries, std::size_t entriesBefore) {
  ++files;
  if (entries.size() <= entriesBefore) {
    ++counts[static_cast<std::size_t>(RunCount::Processed)];
    return;
  }
  // One entry per workbook; should there be more, the last one tells.
  ++counts[static_cast<std::size_t>(CountOf(entries.back().cause))];
}

std::string TallyText(const RunTally& tally, bool all, const CountMark& mark) {
  if (!tally.started) return "";
  std::string text = "共 " + std::to_string(tally.files) + " 个文件";
  std::string separator = "：";
  for (std::size_t i = 0; i < kRunCounts; ++i) {
    if (!all && tally.counts[i] == 0) continue;
    const std::string count = kRunCountNames[i] + (" " + std::to_string(tally.counts[i]));
    text += separator + (mark ? mark(static_cast<RunCount>(i), count) : count);
    separator = "，";
  }
  return text;
}

}  // namespace sheetwise::ui
