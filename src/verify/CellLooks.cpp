#include "verify/CellLooks.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace sheetwise::verify {

std::string ColourText(uint32_t rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return text;
}

std::string FillText(const std::string& pattern, uint32_t foreground, uint32_t background) {
  if (pattern.empty() || pattern == "none") return "";
  if (pattern == "solid") return "solid " + ColourText(foreground);
  return pattern + " " + ColourText(foreground) + " on " + ColourText(background);
}

bool SameFillAsSeen(const std::string& a, const std::string& b) {
  if (a == b) return true;
  if (a.size() != b.size()) return false;
  constexpr long kRounding = 3;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != '#') {
      if (a[i] != b[i]) return false;
      continue;
    }
    if (b[i] != '#' || i + 7 > a.size()) return false;
    for (size_t channel = i + 1; channel < i + 7; channel += 2) {
      const long x = std::strtol(a.substr(channel, 2).c_str(), nullptr, 16);
      const long y = std::strtol(b.substr(channel, 2).c_str(), nullptr, 16);
      if (std::labs(x - y) > kRounding) return false;
    }
    i += 6;
  }
  return true;
}

std::string BuiltInNumberFormat(unsigned id) {
  static const std::map<unsigned, const char*> kCodes = {
      {0, ""},           {1, "0"},           {2, "0.00"},          {3, "#,##0"},
      {4, "#,##0.00"},   {5, "$#,##0_);($#,##0)"},                 {6, "$#,##0_);[red]($#,##0)"},
      {7, "$#,##0.00_);($#,##0.00)"},          {8, "$#,##0.00_);[red]($#,##0.00)"},
      {9, "0%"},         {10, "0.00%"},      {11, "0.00e+00"},     {12, "# ?/?"},
      {13, "# ?\?/??"},   {14, "m/d/yyyy"},   {15, "d-mmm-yy"},     {16, "d-mmm"},
      {17, "mmm-yy"},    {18, "h:mm am/pm"}, {19, "h:mm:ss am/pm"}, {20, "h:mm"},
      {21, "h:mm:ss"},   {22, "m/d/yyyy h:mm"}, {37, "#,##0 ;(#,##0)"}, {38, "#,##0 ;[red](#,##0)"},
      {39, "#,##0.00;(#,##0.00)"},             {40, "#,##0.00;[red](#,##0.00)"},
      {45, "mm:ss"},     {46, "[h]:mm:ss"},  {47, "mmss.0"},       {48, "##0.0e+0"},
      {49, "@"}};
  const auto it = kCodes.find(id);
  return it != kCodes.end() ? it->second : "built-in " + std::to_string(id);
}

std::string NumberFormatAsShown(const std::string& code) {
  std::string text;
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '[' && code.compare(i, 3, "[$-") == 0) {  // a locale tag only: "[$-409]"
      const size_t end = code.find(']', i);
      if (end != std::string::npos && code.find_first_not_of("0123456789abcdefABCDEF", i + 3) == end) {
        i = end;
        continue;
      }
    }
    if (c == '\\' || c == '"') continue;
    text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  static const char* const kShortDates[] = {"m/d/yyyy", "mm-dd-yy", "m/d/yy", "mm/dd/yyyy", "mm/dd/yy"};
  for (const char* date : kShortDates) {
    if (text == date) return "m/d/yyyy";
    if (text == std::string(date) + " h:mm") return "m/d/yyyy h:mm";
  }
  return text == "general" ? "" : text;
}

}  // namespace sheetwise::verify
