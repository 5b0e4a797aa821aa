#include "host/ZipPackage.h"

#include <libxml/parser.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/HostError.h"
#include "host/Translate.h"

namespace sheetwise::host {

GPtr<GsfInfile> OpenZip(const std::string& path) {
  GsfReady();
  GError* error = nullptr;
  GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &error));
  if (error) g_error_free(error);
  if (!input) return nullptr;
  error = nullptr;
  GPtr<GsfInfile> zip(gsf_infile_zip_new(input.get(), &error));
  if (error) g_error_free(error);
  return zip;
}

std::optional<std::string> ReadPart(GsfInfile* zip, std::string_view name, size_t limit) {
  GPtr<GsfInfile> folder(GSF_INFILE(g_object_ref(zip)));
  GPtr<GsfInput> part;
  while (!name.empty()) {
    const size_t slash = name.find('/');
    const std::string step(name.substr(0, slash));
    name = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    part.reset(gsf_infile_child_by_name(folder.get(), step.c_str()));
    if (!part) return std::nullopt;
    if (!name.empty()) {
      if (!GSF_IS_INFILE(part.get())) return std::nullopt;
      folder.reset(GSF_INFILE(part.release()));
    }
  }
  if (!part) return std::nullopt;
  const gsf_off_t size = gsf_input_size(part.get());
  if (size < 0 || static_cast<uint64_t>(size) > limit) {
    throw HostError(Tr("the workbook is damaged: its part %s claims %s bytes, more than a workbook holds there",
                       {std::string(gsf_input_name(part.get()) ? gsf_input_name(part.get()) : ""), std::to_string(size)}));
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0 && !gsf_input_read(part.get(), static_cast<size_t>(size), reinterpret_cast<guint8*>(bytes.data()))) {
    throw HostError(Tr("the workbook is damaged: its part %s cannot be read", {std::string(gsf_input_name(part.get()))}));
  }
  return bytes;
}

namespace {

// Copies every entry of folder into target, the entry at replaced (a path
// below folder) with bytes instead.
void CopyEntries(GsfInfile* folder, GsfOutfile* target, std::string_view prefix, std::string_view replaced,
                 const std::string& bytes) {
  const int count = gsf_infile_num_children(folder);
  for (int i = 0; i < count; ++i) {
    const char* name = gsf_infile_name_by_index(folder, i);
    GPtr<GsfInput> entry(gsf_infile_child_by_index(folder, i));
    if (!name || !entry) throw HostError(Tr("the office's package cannot be read back"));
    const std::string path = std::string(prefix) + name;
    const bool isFolder = GSF_IS_INFILE(entry.get()) && gsf_infile_num_children(GSF_INFILE(entry.get())) >= 0;
    GPtr<GsfOutput> out(isFolder ? gsf_outfile_new_child(target, name, TRUE)
                                 : gsf_outfile_new_child_full(target, name, FALSE, "compression-level",
                                                              GSF_ZIP_DEFLATED, nullptr));
    if (!out) throw HostError(Tr("the office's package cannot be written again"));
    bool written = true;
    if (isFolder) {
      CopyEntries(GSF_INFILE(entry.get()), GSF_OUTFILE(out.get()), path + "/", replaced, bytes);
    } else if (path == replaced) {
      written = gsf_output_write(out.get(), bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
    } else {
      written = gsf_input_copy(entry.get(), out.get());
    }
    if (!gsf_output_close(out.get()) || !written) throw HostError(Tr("the office's package cannot be written again"));
  }
}

}  // namespace

void KeepPart(const std::string& source, const std::string& written, std::string_view name, size_t limit) {
  std::optional<std::string> kept;
  if (const auto zip = OpenZip(source)) kept = ReadPart(zip.get(), name, limit);
  if (!kept) return;
  const std::string staged = written + ".part";
  {
    const auto zip = OpenZip(written);
    if (!zip) throw HostError(Tr("the office's package cannot be read back"));
    const auto current = ReadPart(zip.get(), name, limit);
    if (!current || *current == *kept) return;
    GError* error = nullptr;
    GPtr<GsfOutput> sink(gsf_output_stdio_new(staged.c_str(), &error));
    if (error) g_error_free(error);
    if (!sink) throw HostError(Tr("the office's package cannot be written again"));
    GPtr<GsfOutfile> target(gsf_outfile_zip_new(sink.get(), nullptr));
    if (!target) throw HostError(Tr("the office's package cannot be written again"));
    CopyEntries(zip.get(), target.get(), "", name, *kept);
    if (!gsf_output_close(GSF_OUTPUT(target.get())) || !gsf_output_close(sink.get())) {
      throw HostError(Tr("the office's package cannot be written again"));
    }
  }
  if (std::rename(staged.c_str(), written.c_str()) != 0) {
    throw HostError(Tr("the office's package cannot be written again"));
  }
}

XmlDoc ParseXml(const std::string& bytes) {
  return XmlDoc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::string Attribute(const xmlNode* node, const char* localName) {
  for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
    if (std::strcmp(reinterpret_cast<const char*>(attribute->name), localName) != 0) continue;
    xmlChar* value = xmlNodeListGetString(node->doc, attribute->children, 1);
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
  }
  return "";
}

bool Named(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

}  // namespace sheetwise::host
