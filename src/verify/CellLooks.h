#pragma once
// How a cell's fill and number format show, written out the same way for every
// package format, so that two files that store them differently (a built-in
// number format or its code, a theme colour or the colour it gives) compare alike.

#include <cstdint>
#include <string>

namespace sheetwise::verify {

// "#BDC0BF".
std::string ColourText(uint32_t rgb);

// A fill as it shows: "solid #RRGGBB", or the pattern's name with its two
// colours ("gray125 #000000 on #FFFFFF"); "" for none.
std::string FillText(const std::string& pattern, uint32_t foreground, uint32_t background);

// Whether two fills (FillText) show alike: the same pattern, and colours
// whose channels differ by a rounding at most (a tint computed by another program).
bool SameFillAsSeen(const std::string& a, const std::string& b);

// The code of a built-in number format of .xlsx by its id; "built-in N" for
// one whose code depends on the reader's language; "" for General.
std::string BuiltInNumberFormat(unsigned id);

// A number format code as it shows: letters' case, locale tags ("[$-409]")
// and the ways of quoting a literal ("\x", "\"x\"") left aside, every short
// date written as one; "" for General.
std::string NumberFormatAsShown(const std::string& code);

}  // namespace sheetwise::verify
