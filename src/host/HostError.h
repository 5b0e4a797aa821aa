#pragma once

#include <stdexcept>
#include <string>

namespace sheetwise::host {

// Every failure of the spreadsheet host: the message says what failed.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The spreadsheet application itself cannot be started: no workbook can be
// processed until that is mended, so a batch stops instead of failing each file.
class HostUnavailable : public HostError {
 public:
  using HostError::HostError;
};

}  // namespace sheetwise::host
