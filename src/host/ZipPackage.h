#pragma once
// Reading zip packages (.xlsx, .xlsm, .ods) with libgsf and their small XML
// parts with libxml2, for the program's own look at what a file holds. The
// program never writes these formats itself.

#include <gsf/gsf.h>
#include <libxml/tree.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/OleFile.h"

namespace sheetwise::host {

// The most the program decompresses of one part it reads for itself: content
// types, workbook, settings and manifest stay far below in real workbooks.
inline constexpr size_t kMaxSmallPartBytes = 16 * 1024 * 1024;

// Opens path as a zip package; null when it is none the library can read.
GPtr<GsfInfile> OpenZip(const std::string& path);

// The part or folder at name ("xl/worksheets"); null when it is absent.
GPtr<GsfInput> OpenPart(GsfInfile* zip, std::string_view name);

// The bytes of the part at name ("xl/workbook.xml"), folders followed; none
// when it is absent. Throws HostError when the part claims more than limit
// bytes or cannot be read whole.
std::optional<std::string> ReadPart(GsfInfile* zip, std::string_view name, size_t limit = kMaxSmallPartBytes);

struct XmlDocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDoc = std::unique_ptr<xmlDoc, XmlDocFree>;

// Every part's name in the package ("xl/workbook.xml"), folders walked
// with a list of their own however deep they nest.
std::vector<std::string> PartNames(GsfInfile* zip);

// Parses a part's XML without fetching anything or expanding entities; null
// when it is not well-formed.
XmlDoc ParseXml(const std::string& bytes);

// An attribute by its local name, namespace ignored; "" when absent.
std::string Attribute(const xmlNode* node, const char* localName);

// The node's local name is name.
bool Named(const xmlNode* node, const char* name);

}  // namespace sheetwise::host
