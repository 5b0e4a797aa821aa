#pragma once
// Where the tests find their files, and a scratch folder per test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace sheetwise::host {
class LibreOfficeHost;
}

// Tests that read the real-world corpus live in suites named Corpus*; they are
// skipped, saying why, on a clone without it.
#define SHEETWISE_REQUIRE_CORPUS()                                                             \
  do {                                                                                         \
    if (!std::filesystem::exists(::sheetwise::test::CorpusDir()))                              \
      GTEST_SKIP() << "the real-world corpus is not here: " << ::sheetwise::test::CorpusDir(); \
  } while (0)

// The same for the corpus of .xlsx, .xlsm and .ods (../shared/corpus-ooxml).
#define SHEETWISE_REQUIRE_OOXML_CORPUS()                                                            \
  do {                                                                                              \
    if (!std::filesystem::exists(::sheetwise::test::OoxmlCorpusDir()))                              \
      GTEST_SKIP() << "the real-world corpus is not here: " << ::sheetwise::test::OoxmlCorpusDir(); \
  } while (0)

namespace sheetwise::test {

std::filesystem::path CorpusDir();
std::filesystem::path OoxmlCorpusDir();
// tests/support/zip_edit.py, which writes zip packages with changes planted.
std::string ZipEditScript();
std::string Corpus(const std::string& name);
// A workbook the build made from tests/fixtures/NAME.fods (NAME.xls, or the
// same workbook as NAME.xlsx).
std::string Fixture(const std::string& name);
std::string XlsDumpScript();
// tests/support/link_tool.py, which makes and reads workbooks with hyperlinks.
std::string LinkToolScript();

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  // Copies a file, a fixture or a corpus workbook in under name (default: its
  // own name).
  std::string copy(const std::string& path, const std::string& name = "") const;
  std::string copyFixture(const std::string& fixtureName, const std::string& name = "") const;
  std::string copyCorpus(const std::string& corpusName, const std::string& name = "") const;
  // Names of every entry below the folder, relative, sorted.
  std::string listing() const;

 private:
  std::filesystem::path path_;
};

// The bytes of a file, "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
// Every regular file below folder (relative path -> bytes), links followed.
std::map<std::string, std::string> FileBytes(const std::filesystem::path& folder);

// The current directory, changed while it lives.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~CurrentDirectory() { std::filesystem::current_path(previous_); }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// An environment variable set, or unset given nullopt, while it lives.
class EnvironmentVariable {
 public:
  EnvironmentVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* now = std::getenv(name)) previous_ = now;
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }
  ~EnvironmentVariable() { previous_ ? ::setenv(name_.c_str(), previous_->c_str(), 1) : ::unsetenv(name_.c_str()); }
  EnvironmentVariable(const EnvironmentVariable&) = delete;
  EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// One office per test program, started on first use.
host::LibreOfficeHost& SharedHost();

}  // namespace sheetwise::test
