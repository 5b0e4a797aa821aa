#include "host/Clock.h"

#include <time.h>

#include <cstdio>

namespace sheetwise::host {

LocalDateTime SystemClock::now() {
  const time_t seconds = ::time(nullptr);
  struct tm local {};
  ::localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string DateText(const LocalDateTime& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.year, t.month, t.day);
  return text;
}

std::string DateTimeText(const LocalDateTime& t) {
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return DateText(t) + " " + text;
}

}  // namespace sheetwise::host
