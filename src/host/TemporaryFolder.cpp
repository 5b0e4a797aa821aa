#include "host/TemporaryFolder.h"

#include <stdlib.h>

#include <cerrno>

#include "host/FailureReason.h"
#include "host/HostError.h"

namespace sheetwise::host {

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::temp_directory_path(ec);
  std::string pattern = ((ec ? std::filesystem::path("/tmp") : parent) / (prefix + "XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) throw HostError(ReasonForError(errno, FileAction::CreateFolder, parent.string()));
  path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace sheetwise::host
