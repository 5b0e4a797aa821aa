#pragma once
// The parts of a zip package (.xlsx, .xlsm, .ods) read with libgsf, and their
// XML streamed through libxml2, within a reading's budget: what a part claims
// to hold and what it really inflates to are both counted, so that a zip bomb
// ends the reading with a reason instead of exhausting memory or time.

#include <gsf/gsf.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/OleFile.h"

typedef struct _xmlTextReader* xmlTextReaderPtr;

namespace sheetwise::verify {

// How much one reading may still take in: its entries (cells, texts, sheets,
// fonts, parts) and the bytes it inflates.
struct ReadBudget {
  size_t entriesLeft;
  size_t bytesLeft;
  void hold(size_t entries = 1);  // throws when over the budget
  void inflate(size_t bytes);     // likewise
};

// Throws the reason a reading holds more than the check reads.
[[noreturn]] void TooLargeToCheck();

class ZipPackage {
 public:
  // Throws host::HostError when path is no readable zip.
  ZipPackage(const std::string& path, ReadBudget& budget);

  // Part names as stored ("xl/workbook.xml"), in the order of the tree.
  const std::vector<std::string>& names() const { return names_; }
  // The stored name of a part whose name matches, letter case ignored (OPC
  // names are); "" when there is none.
  std::string find(const std::string& name) const;
  host::GPtr<GsfInput> open(const std::string& name) const;  // null when absent
  // A part's bytes (small parts only: "mimetype"); "" when absent.
  std::string bytes(const std::string& name, size_t most) const;
  // "SIZE HASH" of a part's bytes, read in pieces; "" when absent.
  std::string digest(const std::string& name) const;
  ReadBudget& budget() const { return budget_; }

 private:
  void walk(GsfInfile* dir, const std::string& prefix, int depth);

  host::GPtr<GsfInfile> zip_;
  ReadBudget& budget_;
  std::vector<std::string> names_;
  std::map<std::string, std::string> byLowerName_;
};

// A part's elements as a stream of starts and ends (an empty element gives
// both), by local name: namespaces are left aside, so that transitional and
// strict OOXML, and any prefix, read alike.
class XmlStream {
 public:
  XmlStream(const ZipPackage& zip, const std::string& part);  // throws when absent
  ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  // The next start or end of an element; false at the end of the part.
  bool next();
  // The next element started inside the element at depth named element (one
  // just started, whose depth and name the caller kept); false at its end.
  bool nextInside(int depth, const std::string& element);
  bool isStart() const { return start_; }
  const std::string& name() const { return name_; }
  int depth() const { return depth_; }
  // An attribute of the element just started, by local name ("" when absent),
  // or by qualified name when one is given ("office:value-type", "r:id"), for
  // elements that hold the same local name in two namespaces.
  const std::string& attr(const char* local) const;
  bool has(const char* local) const;
  // The text inside the element just started, its end consumed; "" for an empty one.
  std::string text();
  // Reads on past the element just started, its end included.
  void skip();
  // Text and element events, for readers of mixed content (paragraphs, runs).
  // Inside the element just started: calls onStart(name) for each element,
  // onText(text) for each text, onEnd(name) for each end, until its end.
  template <typename Start, typename Text, typename End>
  void content(Start onStart, Text onText, End onEnd);

 private:
  bool read();  // one node; false at the end
  int nodeType() const;
  std::string nodeText() const;
  void takeElement();

  struct Feed;
  struct ReaderFree {
    void operator()(xmlTextReaderPtr reader) const;
  };
  host::GPtr<GsfInput> input_;
  std::unique_ptr<Feed> feed_;  // the reader reads through it: declared first, freed last
  std::unique_ptr<std::remove_pointer_t<xmlTextReaderPtr>, ReaderFree> reader_;
  std::string part_;
  bool start_ = false, pendingEnd_ = false;
  std::string name_;
  int depth_ = 0;
  std::vector<std::pair<std::string, std::string>> attrs_;
};

template <typename Start, typename Text, typename End>
void XmlStream::content(Start onStart, Text onText, End onEnd) {
  if (pendingEnd_) {
    pendingEnd_ = false;
    return;
  }
  const int outer = depth_;
  while (read()) {
    const int type = nodeType();
    if (type == 3 || type == 4 || type == 13 || type == 14) {
      onText(nodeText());
    } else if (type == 1) {
      takeElement();
      onStart(*this);
      if (pendingEnd_) {
        pendingEnd_ = false;
        onEnd(name_);
      }
    } else if (type == 15) {
      takeElement();
      start_ = false;
      if (depth_ == outer) return;
      onEnd(name_);
    }
  }
}

struct CellArea;
// "B7" to row 7, column 2 ($ marks allowed); "A1:B2" or "C3" to an area; false for anything else.
bool ParseCellName(std::string_view text, int& row, int& column);
bool ParseAreaName(std::string_view text, CellArea& area);

// "x" from "p:x".
std::string LocalName(const std::string& name);

// The part that holds a part's relationships: "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string RelationshipsPart(const std::string& part);

// Relationships of a part: id -> (type's last word, target part resolved against the part's folder).
std::map<std::string, std::pair<std::string, std::string>> ReadRelationships(const ZipPackage& zip,
                                                                             const std::string& part);

// A number to the 15 significant digits a spreadsheet shows and writes:
// Excel writes 17, the office 15, of the same number.
std::string NumberText(double value);

}  // namespace sheetwise::verify
