#pragma once
// The shared office, with a record of every opening asked of it.

#include <memory>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "host/LibreOfficeHost.h"

namespace sheetwise::test {

class CountingOffice final : public host::Application {
 public:
  std::unique_ptr<host::Workbook> open(const std::string& path, host::OpenMode mode) override {
    opened.push_back(path);
    modes.push_back(mode);
    return SharedHost().open(path, mode);
  }
  std::vector<std::string> opened;
  std::vector<host::OpenMode> modes;
};

// An office that cannot be started.
class UnstartableOffice final : public host::Application {
 public:
  std::unique_ptr<host::Workbook> open(const std::string&, host::OpenMode) override {
    throw host::HostUnavailable("the office could not be started");
  }
};

}  // namespace sheetwise::test
