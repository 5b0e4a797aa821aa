#include "host/LinkScan.h"

#include <string_view>

#include "host/OleFile.h"
#include "host/ZipPackage.h"

namespace sheetwise::host {
namespace {

// The class of the link object every HLINK record holds.
constexpr std::string_view kStdLinkClass("\xD0\xC9\xEA\x79\xF9\xBA\xCE\x11\x8C\x82\x00\xAA\x00\x4B\xA9\x0B", 16);

// Whether the stream holds needle, read in pieces.
bool StreamHolds(GsfInput* input, std::string_view needle) {
  constexpr size_t kPiece = 1 << 20;
  std::string window;
  for (gsf_off_t left = gsf_input_remaining(input); left > 0;) {
    const size_t n = static_cast<size_t>(std::min<gsf_off_t>(left, kPiece));
    const size_t kept = window.size();
    window.resize(kept + n);
    if (!gsf_input_read(input, n, reinterpret_cast<guint8*>(window.data() + kept))) return true;
    if (window.find(needle) != std::string::npos) return true;
    window.erase(0, window.size() - std::min(window.size(), needle.size() - 1));
    left -= static_cast<gsf_off_t>(n);
  }
  return false;
}

bool XlsMayHoldLinks(const std::string& path) {
  const auto ole = OpenOle(path);
  const auto stream = ChildStream(ole.get(), "Workbook");
  return !stream || StreamHolds(stream.get(), kStdLinkClass);
}

bool OoxmlMayHoldLinks(GsfInfile* zip) {
  const auto folder = OpenPart(zip, "xl/worksheets");
  if (!folder || !GSF_IS_INFILE(folder.get())) return true;  // worksheets elsewhere: unsure
  const auto rels = OpenPart(zip, "xl/worksheets/_rels");
  if (!rels) return false;
  if (!GSF_IS_INFILE(rels.get())) return true;
  GsfInfile* const each = GSF_INFILE(rels.get());
  for (int i = 0; i < gsf_infile_num_children(each); ++i) {
    const GPtr<GsfInput> part(gsf_infile_child_by_index(each, i));
    if (!part || StreamHolds(part.get(), "/hyperlink")) return true;
  }
  return false;
}

}  // namespace

bool MayHoldHyperlinks(const std::string& path, WorkbookFormat format) {
  try {
    if (format == WorkbookFormat::Xls) return XlsMayHoldLinks(path);
    const auto zip = OpenZip(path);
    if (!zip) return true;
    if (format != WorkbookFormat::Ods) return OoxmlMayHoldLinks(zip.get());
    const auto content = OpenPart(zip.get(), "content.xml");
    return !content || StreamHolds(content.get(), "xlink:href");
  } catch (const std::exception&) {
    return true;
  }
}

}  // namespace sheetwise::host
