#pragma once
// Opens a file with the desktop's default program, without waiting for it.

#include "host/FileOpener.h"

namespace sheetwise::ui::qt {

class QtFileOpener final : public host::FileOpener {
 public:
  bool open(const std::string& path) override;
};

}  // namespace sheetwise::ui::qt
