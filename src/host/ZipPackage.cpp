#include "host/ZipPackage.h"

#include <libxml/parser.h>

#include <cstring>
#include <utility>
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

GPtr<GsfInput> OpenPart(GsfInfile* zip, std::string_view name) {
  GPtr<GsfInfile> folder(GSF_INFILE(g_object_ref(zip)));
  GPtr<GsfInput> part;
  while (!name.empty()) {
    const size_t slash = name.find('/');
    const std::string step(name.substr(0, slash));
    name = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    part.reset(gsf_infile_child_by_name(folder.get(), step.c_str()));
    if (!part) return nullptr;
    if (!name.empty()) {
      if (!GSF_IS_INFILE(part.get())) return nullptr;
      folder.reset(GSF_INFILE(part.release()));
    }
  }
  return part;
}

std::optional<std::string> ReadPart(GsfInfile* zip, std::string_view name, size_t limit) {
  const GPtr<GsfInput> part = OpenPart(zip, name);
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

std::vector<std::string> PartNames(GsfInfile* zip) {
  std::vector<std::string> names;
  std::vector<std::pair<GPtr<GsfInfile>, std::string>> folders;
  folders.emplace_back(GPtr<GsfInfile>(GSF_INFILE(g_object_ref(zip))), "");
  while (!folders.empty()) {
    auto [folder, prefix] = std::move(folders.back());
    folders.pop_back();
    for (int i = 0, n = gsf_infile_num_children(folder.get()); i < n; ++i) {
      const char* child = gsf_infile_name_by_index(folder.get(), i);
      std::string name = prefix + (child ? child : "");
      GPtr<GsfInput> input(gsf_infile_child_by_index(folder.get(), i));
      if (!input) continue;
      if (GSF_IS_INFILE(input.get()) && gsf_infile_num_children(GSF_INFILE(input.get())) >= 0) {
        folders.emplace_back(GPtr<GsfInfile>(GSF_INFILE(input.release())), name + "/");
      } else {
        names.push_back(std::move(name));
      }
    }
  }
  return names;
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
