#pragma once
// A formula as .xlsx and .ods store it, as text, read for what its result can
// depend on: the same references that FormulaTokens reads from an .xls.
//
//   .xlsx: A1, $A$1, A1:B2, 3:3, C:C, 'Sheet name'!A1:B2, Sheet1:Sheet3!A1,
//          defined names, [1]Sheet!A1 (another workbook), Table1[Column] (unknown)
//   .ods:  of:=[.A1]+['Sheet 2'.B3:.C4], $-marks, named ranges,
//          ['file:///other.ods'#$Sheet1.A1] (another workbook)
//
// Texts in quotes and array constants are never read as references.

#include <string_view>

#include "verify/FormulaTokens.h"
#include "verify/XlsContent.h"

namespace sheetwise::verify {

enum class FormulaSyntax { Ooxml, Ods };

// book: its sheets' names, its defined names (links.names) and its size.
// place: the cell the formula is in (a defined name's text: row 0, and the
// sheet it belongs to or -1); the text was written rowShift rows and
// columnShift columns before it (a shared formula's first cell), so its
// relative references move by as much.
FormulaReferences ReadFormulaText(std::string_view text, FormulaSyntax syntax, const XlsContent& book,
                                  FormulaPlace place, int rowShift = 0, int columnShift = 0);

}  // namespace sheetwise::verify
