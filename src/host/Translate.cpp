#include "host/Translate.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace sheetwise {
namespace fs = std::filesystem;

std::string Tr(const char* english, std::initializer_list<std::string_view> values) {
  // "%s" takes the next value; "%N$s" the N-th, so a translation may reorder them.
  const std::string_view pattern = Tr(english);
  std::string text;
  auto next = values.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && pattern.compare(i + 1, 1, "s") == 0 && next != values.end()) {
      text += *next++;
      ++i;
    } else if (pattern[i] == '%' && i + 3 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9' &&
               pattern.compare(i + 2, 2, "$s") == 0 && static_cast<size_t>(pattern[i + 1] - '1') < values.size()) {
      text += *(values.begin() + (pattern[i + 1] - '1'));
      i += 3;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

namespace {

// The folder holding the catalogs: "locale" beside the executable in a build
// tree, "../share/locale" when installed.
fs::path CatalogFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return SHEETWISE_LOCALE_DIR;
  for (fs::path dir = exe.parent_path(); !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
    if (fs::exists(dir / "locale" / "zh_CN" / "LC_MESSAGES" / "sheetwise.mo", ec)) return dir / "locale";
    if (fs::exists(dir / "share" / "locale" / "zh_CN" / "LC_MESSAGES" / "sheetwise.mo", ec)) {
      return dir / "share" / "locale";
    }
  }
  return SHEETWISE_LOCALE_DIR;
}

}  // namespace

void BindTranslations() {
  static const std::string folder = CatalogFolder().string();
  ::bindtextdomain(kTextDomain, folder.c_str());
  ::bind_textdomain_codeset(kTextDomain, "UTF-8");
}

void UseUserLocale() {
  if (std::setlocale(LC_ALL, "")) {
    BindTranslations();
    return;
  }
  // The locale the user asked for is not generated on this machine: its
  // language is still honoured for messages, with UTF-8 text.
  std::setlocale(LC_ALL, "C.UTF-8");
  const char* language = std::getenv("LANGUAGE");
  if (!language || !*language) {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* value = std::getenv(variable);
      if (!value || !*value) continue;
      const std::string name(value, std::strcspn(value, ".@"));
      if (name != "C" && name != "POSIX") ::setenv("LANGUAGE", name.c_str(), 1);
      break;
    }
  }
  BindTranslations();
}

void UseChineseMessages() {
  // gettext ignores LANGUAGE under the plain "C" locale; C.UTF-8 is always there.
  const char* messages = std::setlocale(LC_MESSAGES, nullptr);
  if (!messages || std::strcmp(messages, "C") == 0 || std::strcmp(messages, "POSIX") == 0) {
    std::setlocale(LC_MESSAGES, "C.UTF-8");
  }
  ::setenv("LANGUAGE", "zh_CN", 1);
  BindTranslations();
}

}  // namespace sheetwise
