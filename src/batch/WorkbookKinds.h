#pragma once
// The kinds of workbook a run takes, as the user chose them (the batch
// command's --types, the window's choice beside the file list): Excel 97-2003
// (.xls) alone unless more are chosen. A file is taken by its name's
// extension, in any letter case; what it really holds is the host's business.

#include <string>
#include <string_view>

namespace sheetwise::batch {

enum class WorkbookKind { Xls, Xlsx, Xlsm, Ods };

inline constexpr WorkbookKind kEveryKind[] = {WorkbookKind::Xls, WorkbookKind::Xlsx, WorkbookKind::Xlsm,
                                              WorkbookKind::Ods};

// The kind's name as --types takes it: "xls", "xlsx", "xlsm", "ods".
std::string_view NameOf(WorkbookKind kind);

class WorkbookKinds {
 public:
  WorkbookKinds() = default;  // .xls alone
  static WorkbookKinds All();
  static WorkbookKinds None();

  bool has(WorkbookKind kind) const { return (bits_ & Bit(kind)) != 0; }
  void set(WorkbookKind kind, bool chosen) { bits_ = chosen ? bits_ | Bit(kind) : bits_ & ~Bit(kind); }
  bool empty() const { return bits_ == 0; }
  bool xlsAlone() const { return bits_ == Bit(WorkbookKind::Xls); }

  // Whether fileName ends in ".xls", ".xlsx", ... of a chosen kind, in any
  // letter case, with something before it.
  bool takes(std::string_view fileName) const;
  // The chosen extensions in the order xls, xlsx, xlsm, ods, each with its
  // dot and a prefix ("*" gives "*.xls"), joined by separator.
  std::string extensions(std::string_view separator, std::string_view prefix = "") const;

  bool operator==(const WorkbookKinds&) const = default;

 private:
  static unsigned Bit(WorkbookKind kind) { return 1u << static_cast<unsigned>(kind); }
  unsigned bits_ = 1u;
};

// A --types list: kind names separated by commas ("xls,xlsx", "all"), in any
// letter case, each with or without its dot, spaces around a name left out.
// refusal says what is wrong (the name not understood, an empty entry);
// empty when the list was read.
struct KindList {
  WorkbookKinds kinds;
  std::string refusal;
};
KindList ParseWorkbookKinds(std::string_view list);

}  // namespace sheetwise::batch
