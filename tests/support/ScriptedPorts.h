#pragma once
// Scripted stand-ins for the ports to the world outside the program.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/Clock.h"
#include "host/Environment.h"
#include "host/FileOpener.h"
#include "host/ProcessTable.h"

namespace sheetwise::test {

// Always the time it was set to.
class ScriptedClock final : public host::Clock {
 public:
  explicit ScriptedClock(host::LocalDateTime time) : time(time) {}
  host::LocalDateTime now() override { return time; }
  host::LocalDateTime time;
};

// Records every path it was asked to open; answers as if a program was
// started unless told there is none.
class ScriptedFileOpener final : public host::FileOpener {
 public:
  bool open(const std::string& path) override {
    opened.push_back(path);
    return openerInstalled;
  }
  std::vector<std::string> opened;
  bool openerInstalled = true;
};

// The variables it was given, and no others.
class ScriptedEnvironment final : public host::Environment {
 public:
  explicit ScriptedEnvironment(std::map<std::string, std::string> variables) : variables_(std::move(variables)) {}
  std::optional<std::string> variable(const std::string& name) const override {
    const auto found = variables_.find(name);
    return found == variables_.end() ? std::nullopt : std::optional<std::string>(found->second);
  }

 private:
  std::map<std::string, std::string> variables_;
};

// The processes the test put in it; ending one takes it out. Every attempt
// is recorded.
class ScriptedProcessTable final : public host::ProcessTable {
 public:
  std::vector<host::ProcessEntry> snapshot() override { return processes; }
  bool terminate(pid_t pid) override {
    ended.push_back(pid);
    return std::erase_if(processes, [pid](const host::ProcessEntry& p) { return p.pid == pid; }) > 0;
  }
  std::vector<host::ProcessEntry> processes;
  std::vector<pid_t> ended;
};

}  // namespace sheetwise::test
