#include "verify/ZipParts.h"

#include <gsf/gsf-infile-zip.h>
#include <libxml/xmlreader.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <mutex>

#include "host/HostError.h"
#include "host/Translate.h"
#include "verify/XlsContent.h"
#include "host/AsciiCase.h"

namespace sheetwise::verify {
namespace {
using host::HostError;

// The library's types (host::GsfReady) and the XML parser are made ready once, before any thread uses them.
void GsfZipReady() {
  static std::once_flag once;
  std::call_once(once, [] {
    host::GsfReady();
    xmlInitParser();
  });
}

// Folders nested deeper than this are no package a program wrote.
constexpr int kMaxFolderDepth = 64;

}  // namespace

void TooLargeToCheck() {
  throw HostError(Tr("it holds more than %s cells, texts and sheets or %s MB of records, more than the check reads",
                     {std::to_string(kMaxEntriesRead), std::to_string(kMaxUnzippedBytesRead >> 20)}));
}

void ReadBudget::hold(size_t entries) {
  if (entries > entriesLeft) TooLargeToCheck();
  entriesLeft -= entries;
}

void ReadBudget::inflate(size_t bytes) {
  if (bytes > bytesLeft) TooLargeToCheck();
  bytesLeft -= bytes;
}

std::string LocalName(const std::string& name) {
  const auto colon = name.rfind(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

ZipPackage::ZipPackage(const std::string& path, ReadBudget& budget) : budget_(budget) {
  GsfZipReady();
  GError* error = nullptr;
  host::GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &error));
  if (error) g_error_free(error);
  if (!input) throw HostError(Tr("it cannot be read"));
  error = nullptr;
  zip_.reset(gsf_infile_zip_new(input.get(), &error));
  if (error) g_error_free(error);
  if (!zip_) throw HostError(Tr("it is a damaged zip package"));
  walk(zip_.get(), "", 0);
}

void ZipPackage::walk(GsfInfile* dir, const std::string& prefix, int depth) {
  if (depth > kMaxFolderDepth) throw HostError(Tr("it is a damaged zip package"));
  for (int i = 0, n = gsf_infile_num_children(dir); i < n; ++i) {
    const char* child = gsf_infile_name_by_index(dir, i);
    const std::string name = prefix + (child ? child : "");
    budget_.hold();
    host::GPtr<GsfInput> input(gsf_infile_child_by_index(dir, i));
    if (!input) continue;
    if (GSF_IS_INFILE(input.get()) && gsf_infile_num_children(GSF_INFILE(input.get())) >= 0) {
      walk(GSF_INFILE(input.get()), name + "/", depth + 1);
    } else {
      names_.push_back(name);
      byLowerName_.try_emplace(host::AsciiLower(name), name);
    }
  }
}

std::string ZipPackage::find(const std::string& name) const {
  std::string key = host::AsciiLower(name);
  if (!key.empty() && key[0] == '/') key.erase(0, 1);
  const auto it = byLowerName_.find(key);
  return it == byLowerName_.end() ? "" : it->second;
}

host::GPtr<GsfInput> ZipPackage::open(const std::string& name) const {
  const std::string stored = find(name);
  if (stored.empty()) return nullptr;
  GsfInfile* dir = zip_.get();
  host::GPtr<GsfInfile> held;
  size_t from = 0;
  for (;;) {
    const size_t slash = stored.find('/', from);
    const std::string piece = stored.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
    host::GPtr<GsfInput> child(gsf_infile_child_by_name(dir, piece.c_str()));
    if (!child) return nullptr;
    if (slash == std::string::npos) {
      // What it claims to hold counts at once: a bomb is refused before it inflates.
      budget_.inflate(static_cast<size_t>(std::max<gsf_off_t>(gsf_input_size(child.get()), 0)));
      return child;
    }
    if (!GSF_IS_INFILE(child.get())) return nullptr;
    held.reset(GSF_INFILE(child.release()));
    dir = held.get();
    from = slash + 1;
  }
}

std::string ZipPackage::bytes(const std::string& name, size_t most) const {
  const auto input = open(name);
  if (!input) return "";
  const size_t size = std::min<size_t>(static_cast<size_t>(gsf_input_size(input.get())), most);
  std::string out(size, '\0');
  if (size && !gsf_input_read(input.get(), size, reinterpret_cast<guint8*>(out.data()))) return "";
  return out;
}

std::string ZipPackage::digest(const std::string& name) const {
  const auto input = open(name);
  if (!input) return "";
  uint64_t hash = 1469598103934665603ull, size = 0;
  guint8 buffer[65536];
  for (gsf_off_t left = gsf_input_remaining(input.get()); left > 0;) {
    const size_t n = static_cast<size_t>(std::min<gsf_off_t>(left, sizeof buffer));
    if (!gsf_input_read(input.get(), n, buffer)) break;
    for (size_t i = 0; i < n; ++i) hash = (hash ^ buffer[i]) * 1099511628211ull;
    size += n;
    left -= static_cast<gsf_off_t>(n);
  }
  char text[48];
  std::snprintf(text, sizeof text, "%llu %016llx", static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(hash));
  return text;
}

// The part's bytes as they inflate: no more than it claimed, which the budget counted.
struct XmlStream::Feed {
  GsfInput* input;
  static int read(void* context, char* buffer, int length) {
    auto* feed = static_cast<Feed*>(context);
    const gsf_off_t left = gsf_input_remaining(feed->input);
    const int n = static_cast<int>(std::min<gsf_off_t>(left, length));
    if (n <= 0) return 0;
    if (!gsf_input_read(feed->input, static_cast<size_t>(n), reinterpret_cast<guint8*>(buffer))) return -1;
    return n;
  }
  static int close(void*) { return 0; }
};

namespace {
void Quiet(void*, xmlErrorPtr) {}
}  // namespace

void XmlStream::ReaderFree::operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }

XmlStream::XmlStream(const ZipPackage& zip, const std::string& part) : input_(zip.open(part)), part_(part) {
  if (!input_) throw HostError(Tr("its part %s is missing", {part}));
  feed_ = std::make_unique<Feed>(Feed{input_.get()});
  // No network, no entity substitution, no DTD loading: the default limits on depth and size stay.
  reader_.reset(xmlReaderForIO(&Feed::read, &Feed::close, feed_.get(), part.c_str(), nullptr,
                               XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!reader_) throw HostError(Tr("its part %s cannot be read", {part}));
  xmlTextReaderSetStructuredErrorHandler(reader_.get(), &Quiet, nullptr);
}

XmlStream::~XmlStream() = default;

bool XmlStream::nextInside(int depth, const std::string& element) {
  while (next()) {
    if (start_) return true;
    if (depth_ == depth && name_ == element) return false;
  }
  return false;
}

bool XmlStream::read() {
  const int status = xmlTextReaderRead(reader_.get());
  if (status < 0) throw HostError(Tr("its part %s is not well-formed XML", {part_}));
  return status == 1;
}

int XmlStream::nodeType() const { return xmlTextReaderNodeType(reader_.get()); }

std::string XmlStream::nodeText() const {
  const xmlChar* value = xmlTextReaderConstValue(reader_.get());
  return value ? reinterpret_cast<const char*>(value) : "";
}

void XmlStream::takeElement() {
  const xmlChar* local = xmlTextReaderConstLocalName(reader_.get());
  name_ = local ? reinterpret_cast<const char*>(local) : "";
  depth_ = xmlTextReaderDepth(reader_.get());
  attrs_.clear();
  if (nodeType() != 1) return;
  start_ = true;
  pendingEnd_ = xmlTextReaderIsEmptyElement(reader_.get()) == 1;
  if (xmlTextReaderMoveToFirstAttribute(reader_.get()) == 1) {
    do {
      const xmlChar* name = xmlTextReaderConstName(reader_.get());
      const xmlChar* value = xmlTextReaderConstValue(reader_.get());
      attrs_.emplace_back(name ? reinterpret_cast<const char*>(name) : "", value ? reinterpret_cast<const char*>(value) : "");
    } while (xmlTextReaderMoveToNextAttribute(reader_.get()) == 1);
    xmlTextReaderMoveToElement(reader_.get());
  }
}

bool XmlStream::next() {
  if (pendingEnd_) {
    pendingEnd_ = false;
    start_ = false;
    return true;
  }
  while (read()) {
    const int type = nodeType();
    if (type == 1) {
      takeElement();
      // Markup compatibility: what a reader without the extension sees is the Fallback.
      if (name_ == "Choice" && depth_ > 0) {
        skip();
        continue;
      }
      return true;
    }
    if (type == 15) {
      takeElement();
      start_ = false;
      return true;
    }
  }
  return false;
}

const std::string& XmlStream::attr(const char* wanted) const {
  static const std::string kNone;
  const std::string_view want = wanted;
  const bool qualified = want.find(':') != std::string_view::npos;
  for (const auto& [name, value] : attrs_) {
    if (qualified ? name == want : LocalName(name) == want && !name.starts_with("xmlns")) return value;
  }
  return kNone;
}

bool XmlStream::has(const char* local) const {
  const std::string wanted = local;
  return std::ranges::any_of(attrs_, [&](const auto& a) { return LocalName(a.first) == wanted; });
}

std::string XmlStream::text() {
  std::string out;
  content([](XmlStream&) {}, [&](const std::string& t) { out += t; }, [](const std::string&) {});
  return out;
}

void XmlStream::skip() {
  content([](XmlStream&) {}, [](const std::string&) {}, [](const std::string&) {});
}

std::string RelationshipsPart(const std::string& part) {
  const auto slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  return folder + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
}

std::map<std::string, std::pair<std::string, std::string>> ReadRelationships(const ZipPackage& zip,
                                                                             const std::string& part) {
  std::map<std::string, std::pair<std::string, std::string>> rels;
  const auto slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  const std::string name = RelationshipsPart(part);
  if (zip.find(name).empty()) return rels;
  XmlStream xml(zip, name);
  while (xml.next()) {
    if (!xml.isStart() || xml.name() != "Relationship") continue;
    std::string type = xml.attr("Type");
    type = type.substr(type.rfind('/') + 1);
    std::string target = xml.attr("Target");
    if (xml.attr("TargetMode") == "External") {
      rels[xml.attr("Id")] = {type, ""};
      continue;
    }
    // Resolved against the part's folder; ".." climbs; a leading "/" is from the root.
    std::string resolved = target.starts_with("/") ? target.substr(1) : folder + target;
    std::vector<std::string> pieces;
    size_t from = 0;
    for (;;) {
      const size_t next = resolved.find('/', from);
      const std::string piece = resolved.substr(from, next == std::string::npos ? std::string::npos : next - from);
      if (piece == "..") {
        if (!pieces.empty()) pieces.pop_back();
      } else if (!piece.empty() && piece != ".") {
        pieces.push_back(piece);
      }
      if (next == std::string::npos) break;
      from = next + 1;
    }
    resolved.clear();
    for (const auto& p : pieces) resolved += (resolved.empty() ? "" : "/") + p;
    rels[xml.attr("Id")] = {type, resolved};
  }
  return rels;
}

// As printf's "%.15g" writes it, without its cost per call.
std::string NumberText(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
  return std::string(buffer, end);
}

}  // namespace sheetwise::verify
