#pragma once
// Work on an open document that takes hundreds of small calls is done inside
// the office process, where each call is a plain function call, instead of
// one message over the pipe per call. A small component library is loaded
// into the office once per process and runs such a task in one request.

namespace sheetwise::host {

// The component's implementation name and its tasks, as both sides name them.
inline constexpr const char* kOfficeSideImplementation = "org.sheetwise.OfficeSideTasks";
inline constexpr const char* kUnifyScriptFontsTask = "UnifyScriptFonts";
inline constexpr const char* kReenterTextFormulasTask = "ReenterTextFormulas";

}  // namespace sheetwise::host
