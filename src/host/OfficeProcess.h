#pragma once
// One office process started by this program: its own process group, its own
// user profile slot, ended with the whole group.

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "host/FileDescriptor.h"

namespace sheetwise::host {

// A user profile directory that only this process uses while it holds the slot
// (an flock on the slot's lock file). Profiles are kept between runs, because a
// fresh one costs seconds at the first start.
class ProfileSlot {
 public:
  // Takes the first free slot under cacheRoot ("slot-0", "slot-1", ...).
  explicit ProfileSlot(const std::filesystem::path& cacheRoot);
  const std::filesystem::path& directory() const { return directory_; }
  std::string url() const;

 private:
  std::filesystem::path directory_;
  FileDescriptor lock_;
};

// Where kept profiles live: $XDG_CACHE_HOME/sheetwise or ~/.cache/sheetwise.
std::filesystem::path DefaultCacheRoot();

class OfficeProcess {
 public:
  OfficeProcess(const std::filesystem::path& officeProgramDir, const ProfileSlot& profile,
                const std::string& pipeName);
  ~OfficeProcess();
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  bool alive();
  // Ends the whole process group at once; safe to call from any thread.
  void kill() noexcept;
  // The soffice.bin process of the group, or 0 while it is not up.
  pid_t officePid() const;

 private:
  std::string pipeName_;
  pid_t launcher_ = 0;  // the soffice script's process, leader of the group
  bool reaped_ = false;
};

// Ends office processes left running on this profile by a program that died.
void EndStrayOffices(const ProfileSlot& profile);

}  // namespace sheetwise::host
