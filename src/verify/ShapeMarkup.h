#pragma once
// Shapes counted in the text of a drawing part, without parsing it: DrawingML
// is read as text because a part may be cut short, VML because it is often
// not well-formed XML. One pass over the text, whatever it holds: no pattern
// engine, whose backtracking would follow a long word or run of blanks.

#include <cstddef>
#include <string_view>

namespace sheetwise::verify {

// DrawingML shapes and connectors: "<sp", "<cxnSp", with or without a prefix
// ("<xdr:sp "), followed by a blank, ">" or "/".
size_t CountDrawingShapes(std::string_view text);

// VML shapes (shape, line, rect, roundrect, oval, polyline, arc, curve with the
// "v:" prefix) other than comments' boxes (ObjectType="Note").
size_t CountVmlShapes(std::string_view text);

// The part name lies directly in folder (no further "/"), starts there with
// stem and ends with extension, letter case ignored: ("xl/charts/", "chart",
// ".xml") takes "xl/charts/chart3.xml". With no extension, the name must go
// on past the stem.
bool PartNameIn(std::string_view name, std::string_view folder, std::string_view stem, std::string_view extension);

}  // namespace sheetwise::verify
