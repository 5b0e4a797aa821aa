#pragma once
// The spreadsheet object model on a headless LibreOffice Calc process driven
// through UNO. The process is started on first use and again on the next use
// after it died or was ended; it is ended with this object.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "host/ProcessTable.h"
#include "host/SafeStore.h"
#include "host/Spreadsheet.h"

namespace sheetwise::host {

struct HostOptions {
  std::filesystem::path officeProgramDir;  // empty: the installed LibreOffice
  std::filesystem::path cacheRoot;         // empty: the user's cache folder
  // Longest any single call into the office may take before it is ended.
  std::chrono::milliseconds callLimit{60000};
  // Longest the office may take to start and accept the connection.
  std::chrono::milliseconds startLimit{120000};
  // In place: whether a workbook must keep its owner (see StoreInPlace).
  OwnerRule owner = OwnerRule::Keep;
  // The address space the office may take (OfficeMemoryLimit.h); 0: the
  // default for one office on this machine.
  std::uint64_t memoryLimitBytes = 0;
};

class LibreOfficeHost : public Application {
 public:
  explicit LibreOfficeHost(HostOptions options = {});
  ~LibreOfficeHost() override;
  LibreOfficeHost(const LibreOfficeHost&) = delete;
  LibreOfficeHost& operator=(const LibreOfficeHost&) = delete;

  std::unique_ptr<Workbook> open(const std::string& path, OpenMode mode) override;

  // Starts the office now if it is not running (otherwise the first open does).
  void start();
  // Ends the office process; the next use starts a new one.
  void shutdown();
  // How many of its offices ended from outside, crashed or hung so far (each
  // is replaced on the next use); a shutdown is not counted.
  unsigned officesLost() const;
  // The running soffice.bin process, 0 when none runs.
  pid_t officePid();
  // What marks the running office as this host's; none when none runs.
  std::optional<StartedOffice> startedOffice();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace sheetwise::host
