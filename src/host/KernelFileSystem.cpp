#include "host/KernelFileSystem.h"

#include <stdlib.h>
#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <memory>

namespace sheetwise::host {
namespace {

// Type numbers (linux/magic.h) of the file systems that show the kernel's state.
constexpr std::array<unsigned long, 17> kKernelTypes = {
    0x9fa0,      // proc
    0x62656572,  // sysfs
    0x1cd1,      // devpts
    0x64626720,  // debugfs
    0x74726163,  // tracefs
    0x73636673,  // securityfs
    0x27e0eb,    // cgroup
    0x63677270,  // cgroup2
    0xcafe4a11,  // bpf
    0x62656570,  // configfs
    0x6165676c,  // pstore
    0xde5e81e4,  // efivarfs
    0x19800202,  // mqueue
    0x65735543,  // fusectl
    0x42494e4d,  // binfmt_misc
    0xf97cff8c,  // selinuxfs
    0x958458f6,  // hugetlbfs
};

bool IsKernelPlace(const std::string& real) {
  for (const std::string place : {"/proc", "/sys", "/dev"}) {
    if (real == place || real.starts_with(place + "/")) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> KernelFileSystemOf(const std::string& folder) {
  const std::unique_ptr<char, decltype(&::free)> resolved(::realpath(folder.c_str(), nullptr), &::free);
  const std::string real = resolved ? resolved.get() : folder;
  struct statfs info {};
  const bool kernelType =
      ::statfs(folder.c_str(), &info) == 0 &&
      std::find(kKernelTypes.begin(), kKernelTypes.end(), static_cast<unsigned long>(info.f_type)) != kKernelTypes.end();
  if (kernelType || IsKernelPlace(real)) return real;
  return std::nullopt;
}

}  // namespace sheetwise::host
