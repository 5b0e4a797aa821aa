#pragma once
// The environment port: the variables the program was started with.

#include <cstdlib>
#include <optional>
#include <string>

namespace sheetwise::host {

class Environment {
 public:
  virtual ~Environment() = default;
  // The variable's value; none when it is not set.
  virtual std::optional<std::string> variable(const std::string& name) const = 0;
};

// This process's own environment.
class ProcessEnvironment final : public Environment {
 public:
  std::optional<std::string> variable(const std::string& name) const override {
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
  }
};

}  // namespace sheetwise::host
