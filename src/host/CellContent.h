#pragma once
// How texts become cell contents and cell values become texts.

#include <string>
#include <string_view>

namespace sheetwise::host {

enum class ContentKind { Number, Formula, Text };

// A plain decimal that survives the trip to a number unchanged is a number
// ("42", "-3.5"; not "007", "3.50" or an 18-digit identity number); a text
// starting with "=" is a formula; anything else is text, exactly as given.
ContentKind ClassifyContent(std::string_view text, double* number);

// The most characters a cell of an Excel 97-2003 workbook holds.
inline constexpr int kMaxCellTextLength = 32767;

// Whether every bracket of the formula is closed and every quoted text ends;
// the office would close them itself and store another formula.
bool FormulaIsComplete(std::string_view formula);

struct CivilDate {
  int year;
  int month;
  int day;
};

// A date serial (days since nullDate, fraction for the time of day) as
// "yyyy-MM-dd", "HH:mm:ss" or "yyyy-MM-dd HH:mm:ss".
std::string SerialToText(double serial, CivilDate nullDate, bool withDate, bool withTime);

}  // namespace sheetwise::host
