#include "rules/CharsetDetector.h"

#include <uchardet/uchardet.h>

#include <cctype>
#include <memory>

namespace sheetwise::rules {

std::string DetectCharset(std::string_view bytes) {
  const std::unique_ptr<struct uchardet, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
  if (!detector || uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) return {};
  uchardet_data_end(detector.get());
  std::string name = uchardet_get_charset(detector.get());
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace sheetwise::rules
