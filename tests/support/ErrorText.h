#pragma once
// What a call throws, as text.

#include <string>

namespace sheetwise::test {

// The message of the Error that f throws, or "no error" when it returns.
template <typename Error, typename F>
std::string ErrorText(F f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace sheetwise::test
