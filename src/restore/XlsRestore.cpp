#include "restore/XlsRestore.h"

#include <stdexcept>

#include "host/OleFile.h"
#include "host/Translate.h"
#include "restore/CompoundFileWriter.h"
#include "restore/ConstantCells.h"
#include "restore/FormulaResults.h"
#include "restore/RecordReplacement.h"
#include "restore/VeryHiddenSheets.h"
#include "verify/ContainerEntries.h"
#include "verify/XlsContent.h"

namespace sheetwise::restore {
namespace {

constexpr const char* kWorkbook = "Workbook";

// The whole stream, within what the check itself reads.
std::vector<uint8_t> ReadStream(GsfInput* stream) {
  const gsf_off_t size = gsf_input_size(stream);
  if (size < 0 || static_cast<uint64_t>(size) > verify::kMaxStreamBytesRead) {
    throw std::runtime_error("the workbook stream is larger than the check reads");
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!bytes.empty() && !gsf_input_read(stream, bytes.size(), bytes.data())) {
    throw std::runtime_error("the workbook stream cannot be read");
  }
  return bytes;
}

// The source's top-level entries the office did not write and may be put
// back: another writer's own, and the macro storage (which the office drops
// where no record says there is a project).
std::vector<int> DroppedEntries(GsfInfile* source, GsfInfile* written) {
  std::vector<int> dropped;
  for (int i = 0, n = gsf_infile_num_children(source); i < n; ++i) {
    const char* name = gsf_infile_name_by_index(source, i);
    if (!name) continue;
    const std::string key = verify::EntryKey(name);
    if (!verify::KeptByteForByte(key) && key != verify::kMacroStorageKey) continue;
    if (!host::ChildStream(written, name)) dropped.push_back(i);
  }
  return dropped;
}

// The written file anew: its own entries as they are but for its workbook
// stream, given as book, and the source's entries listed in dropped.
void Rewrite(const std::string& path, GsfInfile* written, const std::vector<uint8_t>& book, GsfInfile* source,
             const std::vector<int>& dropped) {
  CompoundFileWriter writer(path);
  writer.classIdOf(written);
  for (int i = 0, n = gsf_infile_num_children(written); i < n; ++i) {
    const char* name = gsf_infile_name_by_index(written, i);
    host::GPtr<GsfInput> entry(gsf_infile_child_by_index(written, i));
    if (!name || !entry) throw std::runtime_error("the written workbook cannot be read");
    if (verify::EntryKey(name) == verify::EntryKey(kWorkbook)) {
      writer.write(name, book);
    } else {
      writer.copy(entry.get(), name);
    }
  }
  for (const int i : dropped) {
    host::GPtr<GsfInput> entry(gsf_infile_child_by_index(source, i));
    if (!entry) throw std::runtime_error("the source cannot be read");
    writer.copy(entry.get(), gsf_infile_name_by_index(source, i));
  }
  writer.commit();
}

// Formula results and constant cells the office changed, set back in book
// all at once (records move); what was set back, one line a sheet and kind.
std::vector<std::string> PutBackRecords(const std::string& source, const std::vector<uint8_t>& sourceStream,
                                        std::vector<uint8_t>& book, const verify::EditFootprint& footprint) {
  Replacements replacements;
  const auto read = [&] { return verify::ReadXlsContent(source); };
  const auto results = RestoreFormulaResults(sourceStream, book, footprint, read, replacements);
  const auto constants = RestoreConstantCells(sourceStream, book, footprint, replacements);
  std::vector<std::string> items;
  if (replacements.empty()) return items;
  auto replaced = ReplaceRecords(book, replacements);
  if (!replaced) return items;
  book = std::move(*replaced);
  for (const auto& [sheet, count] : results) {
    items.push_back(Tr("sheet \"%s\": %s formula results as the source stores them", {sheet, std::to_string(count)}));
  }
  for (const auto& [sheet, count] : constants) {
    items.push_back(Tr("sheet \"%s\": %s truth and error constants as in the source", {sheet, std::to_string(count)}));
  }
  return items;
}

}  // namespace

Restored RestoreXls(const std::string& source, const std::string& written, const verify::EditFootprint& footprint) {
  Restored restored;
  const auto from = host::OpenOle(source);
  auto to = host::OpenOle(written);
  const auto sourceBook = host::ChildStream(from.get(), kWorkbook);
  const auto writtenBook = host::ChildStream(to.get(), kWorkbook);
  if (!sourceBook || !writtenBook) return restored;
  std::vector<uint8_t> book = ReadStream(writtenBook.get());
  const std::vector<uint8_t> sourceStream = ReadStream(sourceBook.get());
  for (const std::string& sheet : RestoreVeryHidden(sourceStream, book, footprint)) {
    restored.items.push_back(Tr("sheet \"%s\": very hidden, as in the source", {sheet}));
  }
  for (std::string& item : PutBackRecords(source, sourceStream, book, footprint)) restored.items.push_back(std::move(item));
  const std::vector<int> dropped = DroppedEntries(from.get(), to.get());
  for (const int i : dropped) {
    restored.items.push_back(Tr("file part \"%s\": kept from the source",
                                {verify::EntryName(gsf_infile_name_by_index(from.get(), i))}));
  }
  if (restored.items.empty()) return restored;
  Rewrite(written, to.get(), book, from.get(), dropped);
  return restored;
}

}  // namespace sheetwise::restore
