#include "host/ExtendedAttributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "host/FailureReason.h"
#include "host/HostError.h"
#include "host/Translate.h"

namespace sheetwise::host {
namespace {

bool Kept(std::string_view name) {
  return name.starts_with("user.") || name == "system.posix_acl_access" || name == "system.posix_acl_default";
}

[[noreturn]] void NotKept(const std::string& name, int error, const std::filesystem::path& path) {
  const std::string why = error == ENOTSUP ? Tr("the file system does not support it")
                                           : ReasonForError(error, FileAction::ReplaceFile, path.string());
  throw HostError(Tr("%s: %s", {name, why}));
}

// The bytes a call that reports its size fills, asked again while they grow.
template <typename Call>
std::vector<char> Grown(const Call& call, const std::string& name, const std::filesystem::path& path) {
  std::vector<char> bytes;
  while (true) {
    const ssize_t size = call(nullptr, 0);
    if (size >= 0) {
      bytes.resize(static_cast<size_t>(size));
      const ssize_t got = call(bytes.data(), bytes.size());
      if (got >= 0) {
        bytes.resize(static_cast<size_t>(got));
        return bytes;
      }
    }
    if (errno != ERANGE) NotKept(name, errno, path);
  }
}

}  // namespace

void CopyExtendedAttributes(const std::filesystem::path& from, const std::filesystem::path& to) {
  // A file system without them has none to keep.
  if (::listxattr(from.c_str(), nullptr, 0) < 0 && errno == ENOTSUP) return;
  const auto names = Grown([&](char* out, size_t size) { return ::listxattr(from.c_str(), out, size); }, "", from);
  for (size_t at = 0; at < names.size();) {
    const std::string name(names.data() + at);
    at += name.size() + 1;
    if (!Kept(name)) continue;
    const auto value =
        Grown([&](char* out, size_t size) { return ::getxattr(from.c_str(), name.c_str(), out, size); }, name, from);
    if (::setxattr(to.c_str(), name.c_str(), value.data(), value.size(), 0) != 0) NotKept(name, errno, to);
  }
}

}  // namespace sheetwise::host
