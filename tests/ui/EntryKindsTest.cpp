#include "ui/EntryKinds.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace sheetwise::ui {
namespace {

using batch::EntryCause;

// Every cause has its own kind, the right run count, and a hint saying what became of the source or copy.
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
}

}  // namespace
}  // namespace sheetwise::ui
