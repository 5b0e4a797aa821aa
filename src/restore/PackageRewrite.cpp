#include "restore/PackageRewrite.h"

#include <gsf/gsf-outfile-zip.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include "host/ZipPackage.h"
#include "restore/SiblingFile.h"

namespace sheetwise::restore {
namespace {
using host::GPtr;

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + ": " + path);
}

class ZipWriter {
 public:
  explicit ZipWriter(const std::string& path) : path_(path) {
    GError* error = nullptr;
    sink_.reset(gsf_output_stdio_new(path.c_str(), &error));
    if (error) g_error_free(error);
    if (!sink_) Fail("cannot write", path);
    error = nullptr;
    root_.reset(gsf_outfile_zip_new(sink_.get(), &error));
    if (error) g_error_free(error);
    if (!root_) Fail("cannot write", path);
  }
  ~ZipWriter() { finish(); }
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // A part with the bytes `fill` writes into it.
  template <typename Fill>
  void part(const std::string& name, Fill fill) {
    const size_t slash = name.rfind('/');
    GsfOutfile* parent = slash == std::string::npos ? root_.get() : folder(name.substr(0, slash));
    const std::string leaf = slash == std::string::npos ? name : name.substr(slash + 1);
    const int method = name == "mimetype" ? GSF_ZIP_STORED : GSF_ZIP_DEFLATED;
    GPtr<GsfOutput> out(gsf_outfile_new_child_full(parent, leaf.c_str(), FALSE, "compression-level", method, nullptr));
    if (!out) Fail("cannot write part " + name, path_);
    fill(out.get());
    if (!gsf_output_close(out.get())) Fail("cannot write part " + name, path_);
  }

  void close() {
    if (!finish()) Fail("cannot write", path_);
  }

 private:
  GsfOutfile* folder(const std::string& name) {
    for (const auto& [known, out] : folders_) {
      if (known == name) return out.get();
    }
    const size_t slash = name.rfind('/');
    GsfOutfile* parent = slash == std::string::npos ? root_.get() : folder(name.substr(0, slash));
    const std::string leaf = slash == std::string::npos ? name : name.substr(slash + 1);
    GPtr<GsfOutfile> out(GSF_OUTFILE(gsf_outfile_new_child(parent, leaf.c_str(), TRUE)));
    if (!out) Fail("cannot write folder " + name, path_);
    folders_.emplace_back(name, std::move(out));
    return folders_.back().second.get();
  }

  // Folders first, innermost first, then the package's directory; false when any fails.
  bool finish() {
    if (finished_) return true;
    finished_ = true;
    if (!root_) return false;
    bool done = true;
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
      done = gsf_output_close(GSF_OUTPUT(it->second.get())) && done;
    }
    done = gsf_output_close(GSF_OUTPUT(root_.get())) && done;
    return gsf_output_close(sink_.get()) && done;
  }

  std::string path_;
  bool finished_ = false;
  GPtr<GsfOutput> sink_;
  GPtr<GsfOutfile> root_;
  std::vector<std::pair<std::string, GPtr<GsfOutfile>>> folders_;  // in the order made
};

void CopyInput(GsfInput* in, GsfOutput* out, const std::string& name, const std::string& path) {
  guint8 buffer[1 << 16];
  for (gsf_off_t left = gsf_input_remaining(in); left > 0;) {
    const size_t n = static_cast<size_t>(std::min<gsf_off_t>(left, sizeof buffer));
    if (!gsf_input_read(in, n, buffer) || !gsf_output_write(out, n, buffer)) Fail("cannot copy part " + name, path);
    left -= static_cast<gsf_off_t>(n);
  }
}

// The package's part names in the order its folders list them, "mimetype" first.
std::vector<std::string> PartsInOrder(GsfInfile* folder, const std::string& prefix) {
  std::vector<std::string> names;
  for (int i = 0, n = gsf_infile_num_children(folder); i < n; ++i) {
    const char* child = gsf_infile_name_by_index(folder, i);
    const std::string name = prefix + (child ? child : "");
    GPtr<GsfInput> input(gsf_infile_child_by_index(folder, i));
    if (!input) continue;
    if (GSF_IS_INFILE(input.get()) && gsf_infile_num_children(GSF_INFILE(input.get())) >= 0) {
      for (auto& inner : PartsInOrder(GSF_INFILE(input.get()), name + "/")) names.push_back(std::move(inner));
    } else if (name == "mimetype") {
      names.insert(names.begin(), name);
    } else {
      names.push_back(name);
    }
  }
  return names;
}

}  // namespace

std::optional<std::string> WholePart(const verify::ZipPackage& zip, const std::string& name) {
  const std::string stored = zip.find(name);
  const GPtr<GsfInput> input = stored.empty() ? nullptr : zip.open(stored);
  if (!input || gsf_input_size(input.get()) < 0 || gsf_input_size(input.get()) > gsf_off_t{kMaxRestoredPartBytes}) {
    return std::nullopt;
  }
  const auto size = static_cast<size_t>(gsf_input_size(input.get()));
  std::string bytes(size, '\0');
  if (size && !gsf_input_read(input.get(), size, reinterpret_cast<guint8*>(bytes.data()))) return std::nullopt;
  return bytes;
}

void RewritePackage(const std::string& path, const PartBytes& parts, const std::set<std::string>& dropped) {
  const GPtr<GsfInfile> zip = host::OpenZip(path);
  if (!zip) Fail("cannot read the package", path);
  SiblingFile sibling(path);
  {
    ZipWriter writer(sibling.path());
    const auto put = [](const std::string& bytes) {
      return [&bytes](GsfOutput* out) {
        if (!bytes.empty() && !gsf_output_write(out, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()))) {
          throw std::runtime_error("cannot write a part");
        }
      };
    };
    std::vector<std::string> names = PartsInOrder(zip.get(), "");
    for (const std::string& name : names) {
      if (dropped.count(name)) continue;
      if (const auto replaced = parts.find(name); replaced != parts.end()) {
        writer.part(name, put(replaced->second));
        continue;
      }
      const GPtr<GsfInput> in = host::OpenPart(zip.get(), name);
      if (!in) Fail("cannot read part " + name, path);
      writer.part(name, [&](GsfOutput* out) { CopyInput(in.get(), out, name, path); });
    }
    for (const auto& [name, bytes] : parts) {
      if (std::find(names.begin(), names.end(), name) == names.end()) writer.part(name, put(bytes));
    }
    writer.close();
  }
  sibling.renameOverTarget();
}

}  // namespace sheetwise::restore
