#include "batch/WorkbookKinds.h"

#include <algorithm>

#include "host/Translate.h"

namespace sheetwise::batch {
namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view text, std::string_view lower) {
  return text.size() == lower.size() &&
         std::equal(text.begin(), text.end(), lower.begin(), [](char c, char l) { return LowerAscii(c) == l; });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::string_view NameOf(WorkbookKind kind) {
  switch (kind) {
    case WorkbookKind::Xls: return "xls";
    case WorkbookKind::Xlsx: return "xlsx";
    case WorkbookKind::Xlsm: return "xlsm";
    case WorkbookKind::Ods: return "ods";
  }
  return "";
}

WorkbookKinds WorkbookKinds::All() {
  WorkbookKinds kinds;
  for (WorkbookKind kind : kEveryKind) kinds.set(kind, true);
  return kinds;
}

WorkbookKinds WorkbookKinds::None() {
  WorkbookKinds kinds;
  kinds.bits_ = 0;
  return kinds;
}

bool WorkbookKinds::takes(std::string_view fileName) const {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string_view extension = fileName.substr(dot + 1);
  return std::any_of(std::begin(kEveryKind), std::end(kEveryKind),
                     [&](WorkbookKind kind) { return has(kind) && EqualIgnoringCase(extension, NameOf(kind)); });
}

std::string WorkbookKinds::extensions(std::string_view separator, std::string_view prefix) const {
  std::string text;
  for (WorkbookKind kind : kEveryKind) {
    if (!has(kind)) continue;
    if (!text.empty()) text += separator;
    text.append(prefix).append(".").append(NameOf(kind));
  }
  return text;
}

KindList ParseWorkbookKinds(std::string_view list) {
  KindList parsed{WorkbookKinds::None(), {}};
  const auto refuse = [&](std::string refusal) {
    return KindList{WorkbookKinds{},
                    std::move(refusal) + Tr(": give xls, xlsx, xlsm or ods, separated by commas, or all")};
  };
  for (size_t start = 0;;) {
    const size_t comma = std::min(list.find(',', start), list.size());
    std::string_view name = Trimmed(list.substr(start, comma - start));
    if (!name.empty() && name.front() == '.') name.remove_prefix(1);
    if (name.empty()) return refuse(Tr("the list \"%s\" has an empty entry", {list}));
    if (EqualIgnoringCase(name, "all")) {
      parsed.kinds = WorkbookKinds::All();
    } else {
      const auto* kind = std::find_if(std::begin(kEveryKind), std::end(kEveryKind),
                                      [&](WorkbookKind k) { return EqualIgnoringCase(name, NameOf(k)); });
      if (kind == std::end(kEveryKind)) return refuse(Tr("\"%s\" is no kind of workbook this program takes", {name}));
      parsed.kinds.set(*kind, true);
    }
    if (comma == list.size()) return parsed;
    start = comma + 1;
  }
}

}  // namespace sheetwise::batch
