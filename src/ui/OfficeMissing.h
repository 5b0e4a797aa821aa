#pragma once
// The window's message when LibreOffice cannot be started: what happened, why,
// and what to ask the administrator, in the window's language.

#include <string>

namespace sheetwise::ui {

// reason: why the office could not be started (translated by the host).
inline std::string OfficeMissingMessage(const std::string& reason) {
  return "无法启动 LibreOffice 办公软件，本程序靠它打开和保存工作簿。\n\n原因：" + reason +
         "\n\n请把这条信息告诉系统管理员，请他安装或修复 LibreOffice Calc。";
}

// The same, when a run stopped because of it.
inline std::string RunStoppedForOfficeMessage(const std::string& reason) {
  return "处理已停止。" + OfficeMissingMessage(reason) + "\n尚未处理的文件仍在队列中，问题解决后再按\"开始\"继续。";
}

}  // namespace sheetwise::ui
