#include "ui/Form4.h"

#include <array>
#include <string_view>

namespace sheetwise::ui {
namespace {

constexpr std::string_view kRule = "=====================================================";
static_assert(kRule.size() == 53);

constexpr std::array<std::string_view, 18> kNoticeLines = {
    "Sheetwise\tV1.1",
    "本软件为避免重复性劳动而软件工具，具有实用性。",
    "软件主要针对：Execl2003文档文件。",
    "*因软件需要在操作过程中会关闭所有已经打开了的文档。",
    "*也就是说，实用本软件时不能打开Execl文档文件。",
    "警告：存在未知情况下可能会出现未知错误，请操作前备份文件。",
    kRule,
    "主要功能：",
    "\t快速批量替换Execl文本文档。",
    "\t快速批量插入行。",
    "\t快速批量合并。",
    "\t快速批量删除。",
    "\t快速批量更改表名。",
    "\t快速批量更改行距、列距。",
    "\t快速批量读取Execl文本文档关键内容。",
    "\t快速命名保存。",
    kRule,
    "使用帮助/更新：",
};

}  // namespace

std::string AboutNoticeText() {
  std::string text;
  for (std::string_view line : kNoticeLines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

AboutChoice Command1_Click(Form4&) { return AboutChoice::ShowMainWindow; }

AboutChoice Command2_Click(Form4&) { return AboutChoice::EndProgram; }

AboutChoice TitleBarClose(Form4&) { return AboutChoice::EndProgram; }

}  // namespace sheetwise::ui
