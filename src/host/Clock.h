#pragma once
// The clock port: the local date and time, as the log and the file-name prefix show them.

#include <string>

namespace sheetwise::host {

struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime now() = 0;
};

// The system clock in the local time zone.
class SystemClock final : public Clock {
 public:
  LocalDateTime now() override;
};

// "yyyy-MM-dd".
std::string DateText(const LocalDateTime& t);
// "yyyy-MM-dd HH:mm:ss".
std::string DateTimeText(const LocalDateTime& t);

}  // namespace sheetwise::host
