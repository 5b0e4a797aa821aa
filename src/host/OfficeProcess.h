#pragma once
// One office process started by this program: its own process group, its own
// user profile slot, ended with the whole group. A small watcher in the group
// ends it when this program ends in any way, SIGKILL included.

#include <sys/types.h>

#include <cstdint>
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
  // A profile folder that is not private to this user (another owner, or
  // writable by others) is never used: a slot is passed over, and for the
  // folder of all slots one under a private folder of /tmp is used instead.
  explicit ProfileSlot(const std::filesystem::path& cacheRoot);
  const std::filesystem::path& directory() const { return directory_; }
  // The office's own temporary folder for this slot; emptied when the slot
  // is taken, since whoever held it before has gone.
  std::filesystem::path tempDirectory() const;
  std::string url() const;
  // The argument that gives an office this profile.
  std::string officeArgument() const { return "-env:UserInstallation=" + url(); }

 private:
  std::filesystem::path directory_;
  FileDescriptor lock_;
};

// Where kept profiles live: $XDG_CACHE_HOME/sheetwise or ~/.cache/sheetwise
// (the home from the password database when HOME is unset). Without a usable
// home, a folder under the temporary folder made private to this user.
std::filesystem::path DefaultCacheRoot();

// Whether path is a real folder (not a link) owned by this user and
// writable by nobody else.
bool IsPrivateFolder(const std::filesystem::path& path);

// Fails, naming what is missing, unless programDir holds an office to start.
void RequireInstalledOffice(const std::filesystem::path& programDir);

class OfficeProcess {
 public:
  // memoryLimitBytes: the address space each of its processes may take; 0 for no limit.
  OfficeProcess(const std::filesystem::path& officeProgramDir, const ProfileSlot& profile,
                const std::string& pipeName, std::uint64_t memoryLimitBytes);
  ~OfficeProcess();
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  bool alive();
  // Ends the whole process group at once; safe to call from any thread.
  void kill() noexcept;
  // The soffice.bin process of the group, or 0 while it is not up.
  pid_t officePid() const;
  // The process group the office runs in (its launcher's pid).
  pid_t processGroup() const { return launcher_; }

 private:
  std::string pipeName_;
  std::filesystem::path instanceSocket_;  // the socket file of the office's single-instance pipe
  pid_t launcher_ = 0;  // the soffice script's process, leader of the group
  FileDescriptor lifeline_;  // the group is ended when this closes
  bool reaped_ = false;
};

// Ends office processes left running on this profile by a program that died.
void EndStrayOffices(const ProfileSlot& profile);

// Pipe names of this program's offices start with this and this process's id.
inline constexpr const char* kPipeNamePrefix = "sheetwise-";

// Removes the pipe sockets that offices of ended runs of this program left.
void RemoveStrayPipeSockets();

}  // namespace sheetwise::host
