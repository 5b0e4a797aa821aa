#pragma once

#include <stdexcept>
#include <string>

namespace sheetwise::host {

// Every failure of the spreadsheet host: the message says what failed.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace sheetwise::host
