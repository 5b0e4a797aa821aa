#include "ui/Form4.h"

#include <gtest/gtest.h>

#include <vector>

namespace sheetwise::ui {
namespace {

std::vector<std::string> LinesEndingInCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

TEST(AboutNotice, HasItsLinesWithoutTheContactDetails) {
  const auto lines = LinesEndingInCrLf(AboutNoticeText());
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[0], "Sheetwise\tV1.1");
  EXPECT_EQ(lines[1], "本软件为避免重复性劳动而软件工具，具有实用性。");
  EXPECT_EQ(lines[5], "警告：存在未知情况下可能会出现未知错误，请操作前备份文件。");
  EXPECT_EQ(lines[6], std::string(53, '='));
  EXPECT_EQ(lines[7], "主要功能：");
  EXPECT_EQ(lines[8], "\t快速批量替换Execl文本文档。");
  EXPECT_EQ(lines[15], "\t快速命名保存。");
  EXPECT_EQ(lines[16], std::string(53, '='));
  EXPECT_EQ(lines[17], "使用帮助/更新：");
  for (const auto& line : lines) EXPECT_EQ(line.find('\n'), std::string::npos);
}

TEST(AboutBox, OnlyReadyLeadsToTheMainWindow) {
  Form4 form;
  EXPECT_EQ(Command1_Click(form), AboutChoice::ShowMainWindow);
  EXPECT_EQ(Command2_Click(form), AboutChoice::EndProgram);
  EXPECT_EQ(TitleBarClose(form), AboutChoice::EndProgram);
}

}  // namespace
}  // namespace sheetwise::ui
