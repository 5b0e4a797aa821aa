#include "TestPaths.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <memory>
#include <cstdlib>
#include <vector>

#include "host/LibreOfficeHost.h"

namespace sheetwise::test {
namespace fs = std::filesystem;

fs::path CorpusDir() {
  if (const char* dir = std::getenv("SHEETWISE_CORPUS"); dir && *dir) return dir;
  return fs::path(SHEETWISE_SOURCE_DIR) / ".." / "shared" / "corpus";
}

fs::path OoxmlCorpusDir() {
  if (const char* dir = std::getenv("SHEETWISE_CORPUS_OOXML"); dir && *dir) return dir;
  if (const char* dir = std::getenv("SHEETWISE_CORPUS"); dir && *dir) return fs::path(dir).parent_path() / "corpus-ooxml";
  return fs::path(SHEETWISE_SOURCE_DIR) / ".." / "shared" / "corpus-ooxml";
}

std::string ZipEditScript() { return (fs::path(SHEETWISE_SOURCE_DIR) / "tests" / "support" / "zip_edit.py").string(); }

std::string Corpus(const std::string& name) { return (CorpusDir() / name).string(); }

std::string Fixture(const std::string& name) { return (fs::path(SHEETWISE_FIXTURE_DIR) / name).string(); }

std::string LinkToolScript() { return (fs::path(SHEETWISE_SOURCE_DIR) / "tests" / "support" / "link_tool.py").string(); }
std::string XlsDumpScript() { return (fs::path(SHEETWISE_SOURCE_DIR) / "tests" / "support" / "xls_dump.py").string(); }

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "sheetwise-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Folders made read-only by a test must be writable again to be removed.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string TempDir::copy(const std::string& path, const std::string& name) const {
  const fs::path target = path_ / (name.empty() ? fs::path(path).filename().string() : name);
  fs::create_directories(target.parent_path());
  fs::copy_file(path, target, fs::copy_options::overwrite_existing);
  // The corpus is read-only; a copy is for the test to edit, in place too.
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
  return target.string();
}

std::string TempDir::copyFixture(const std::string& fixtureName, const std::string& name) const {
  return copy(Fixture(fixtureName), name);
}

std::string TempDir::copyCorpus(const std::string& corpusName, const std::string& name) const {
  return copy(Corpus(corpusName), name);
}

std::string TempDir::listing() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(path_)) {
    names.push_back(fs::relative(entry.path(), path_).string());
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const auto& n : names) text += n + "\n";
  return text;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::map<std::string, std::string> FileBytes(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadFile(entry.path());
  }
  return files;
}

namespace {

// The shared office ends when the tests end, before the UNO runtime's own
// clean-up at exit.
std::unique_ptr<host::LibreOfficeHost> g_host;

class HostEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { g_host.reset(); }
};

const auto* const g_registered = ::testing::AddGlobalTestEnvironment(new HostEnvironment);

}  // namespace

host::LibreOfficeHost& SharedHost() {
  if (!g_host) g_host = std::make_unique<host::LibreOfficeHost>();
  return *g_host;
}

}  // namespace sheetwise::test
