// What the window says of each cause of an error-log entry, and where each
// counts in a run.

#include "ui/EntryKinds.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace sheetwise::ui {
namespace {

using batch::EntryCause;

// Every cause has a kind of its own and a hint that says what became of the
// source: left as it was, except that a copy written with differences or
// unchecked says that the copy was written.
TEST(EntryKinds, EachCauseHasItsOwnKindAHintAndACount) {
  const std::tuple<EntryCause, RunCount, const char*> causes[] = {
      {EntryCause::Vetoed, RunCount::Vetoed, "文件未被改动"},
      {EntryCause::InUse, RunCount::Refused, "源文件未被改动"},
      {EntryCause::CannotOpen, RunCount::Failed, "源文件未被改动"},
      {EntryCause::SheetMissing, RunCount::Failed, "源文件未被改动"},
      {EntryCause::VetoUnreadable, RunCount::Failed, "源文件未被改动"},
      {EntryCause::RuleUnreadable, RunCount::Failed, "源文件未被改动"},
      {EntryCause::RuleFailed, RunCount::Failed, "源文件未被改动"},
      {EntryCause::OutputIsSource, RunCount::Refused, "源文件未被改动"},
      {EntryCause::InPlaceRefused, RunCount::Refused, "源文件未被改动"},
      {EntryCause::CopyRefused, RunCount::Refused, "副本没有写入"},
      {EntryCause::SaveFailed, RunCount::Failed, "源文件未被改动"},
      {EntryCause::CopyDiffers, RunCount::Differs, "副本已经写入"},
      {EntryCause::Unchecked, RunCount::Unchecked, "副本已经写入"},
      {EntryCause::ExtractionFailed, RunCount::Failed, "没有全部读出"},
      {EntryCause::Unknown, RunCount::Failed, "原因"}};
  std::set<std::string> kinds;
  for (const auto& [cause, count, said] : causes) {
    const EntryKind kind = KindOf(cause);
    EXPECT_TRUE(kinds.insert(kind.kind).second) << kind.kind;
    EXPECT_NE(kind.hint.find(said), std::string::npos) << kind.kind << ": " << kind.hint;
    EXPECT_EQ(CountOf(cause), count) << kind.kind;
  }
  EXPECT_EQ(KindOf(EntryCause::InPlaceRefused).kind, "在源文件上保存被拒绝");
  EXPECT_NE(KindOf(EntryCause::InPlaceRefused).hint.find("在源文件上修改"), std::string::npos);
  EXPECT_NE(KindOf(EntryCause::RuleFailed).hint.find("撤销保护"), std::string::npos);
  EXPECT_NE(KindOf(EntryCause::RuleUnreadable).hint.find("UTF-8"), std::string::npos);
}

}  // namespace
}  // namespace sheetwise::ui
