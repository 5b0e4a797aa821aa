#include "verify/ShapeMarkup.h"

#include <algorithm>
#include <cctype>

namespace sheetwise::verify {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool EndsName(std::string_view text, size_t at) { return at < text.size() && (IsBlank(text[at]) || text[at] == '>' || text[at] == '/'); }

// text at at holds one of names, ended as an element name is; false otherwise.
template <size_t N>
bool NameAt(std::string_view text, size_t at, const std::string_view (&names)[N]) {
  return std::ranges::any_of(names, [&](std::string_view name) {
    return text.substr(at, name.size()) == name && EndsName(text, at + name.size());
  });
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::ranges::equal(a, b, [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

size_t CountDrawingShapes(std::string_view text) {
  static constexpr std::string_view kNames[] = {"sp", "cxnSp"};
  size_t count = 0;
  for (size_t open = text.find('<'); open != std::string_view::npos; open = text.find('<', open + 1)) {
    size_t at = open + 1;
    if (NameAt(text, at, kNames)) {
      ++count;
      continue;
    }
    // A prefix: its word characters end at ':'. The scan resumes at the next
    // '<', which a word never holds, so every character is looked at once.
    while (at < text.size() && IsWordChar(text[at])) ++at;
    if (at > open + 1 && at < text.size() && text[at] == ':' && NameAt(text, at + 1, kNames)) ++count;
  }
  return count;
}

size_t CountVmlShapes(std::string_view text) {
  static constexpr std::string_view kNames[] = {"shape", "line", "rect", "roundrect", "oval", "polyline", "arc", "curve"};
  size_t shapes = 0, notes = 0;
  for (size_t at = text.find("<v:"); at != std::string_view::npos; at = text.find("<v:", at + 3)) {
    shapes += NameAt(text, at + 3, kNames);
  }
  constexpr std::string_view kKey = "ObjectType", kNote = "\"Note\"";
  for (size_t at = text.find(kKey); at != std::string_view::npos; at = text.find(kKey, at)) {
    at += kKey.size();
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at >= text.size() || text[at] != '=') continue;
    ++at;
    while (at < text.size() && IsBlank(text[at])) ++at;
    notes += text.substr(at, kNote.size()) == kNote;
  }
  return shapes - std::min(shapes, notes);
}

bool PartNameIn(std::string_view name, std::string_view folder, std::string_view stem, std::string_view extension) {
  const size_t head = folder.size() + stem.size();
  if (name.size() < head + extension.size() || (extension.empty() && name.size() == head)) return false;
  if (!SameLetters(name.substr(0, folder.size()), folder) || !SameLetters(name.substr(folder.size(), stem.size()), stem) ||
      !SameLetters(name.substr(name.size() - extension.size()), extension)) {
    return false;
  }
  return name.find('/', folder.size()) == std::string_view::npos;
}

}  // namespace sheetwise::verify
