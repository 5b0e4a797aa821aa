#include "rules/TextCodec.h"

namespace sheetwise::rules {

std::optional<TextCodec> TextCodec::Open(const std::string& to, const std::string& from) {
  const iconv_t handle = ::iconv_open(to.c_str(), from.c_str());
  if (handle == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  return TextCodec(handle);
}

TextCodec::Result TextCodec::convert(std::string_view bytes) const {
  const auto handle = static_cast<iconv_t>(handle_.get());
  ::iconv(handle, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  std::string out(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const bool converted = ::iconv(handle, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
                         ::iconv(handle, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
  if (!converted) return {"", static_cast<size_t>(in - bytes.data())};
  out.resize(out.size() - outLeft);
  return {std::move(out), std::string::npos};
}

}  // namespace sheetwise::rules
