#pragma once
// Strict conversion between UTF-8 and another character encoding through the
// C library's iconv: a byte that the encoding does not define stops the
// conversion, and the offset where it stopped is kept.

#include <iconv.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sheetwise::rules {

class TextCodec {
 public:
  // A converter from `from` to `to` (iconv names); nullopt when the C library has no such encoding.
  static std::optional<TextCodec> Open(const std::string& to, const std::string& from);

  struct Result {
    std::string text;
    size_t failedAt = std::string::npos;  // offset of the first byte not converted; npos: all were
    bool ok() const { return failedAt == std::string::npos; }
  };
  Result convert(std::string_view bytes) const;

 private:
  struct Close {
    void operator()(void* handle) const { ::iconv_close(static_cast<iconv_t>(handle)); }
  };
  explicit TextCodec(iconv_t handle) : handle_(handle) {}
  std::unique_ptr<void, Close> handle_;
};

}  // namespace sheetwise::rules
