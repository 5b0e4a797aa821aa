#pragma once
// Where the extraction CSV goes: a file (every write checked, see OutputFile)
// or standard output (whose reader may go away, which ends the run as Ctrl-C
// does). Each workbook's records are written as one piece.

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/OutputFile.h"
#include "extract/CsvWriter.h"

namespace sheetwise::batch {

class CsvOutput {
 public:
  // To the file path, or to out when path is empty; throws std::runtime_error
  // when the file cannot be made.
  CsvOutput(const std::string& path, std::ostream& out, extract::CsvTexts texts);

  // The header, then each workbook's records; false once the file cannot be written.
  bool writeHeader();
  bool write(const extract::ExtractionResults& records);
  void close();

  // Why the file cannot be written (naming it), once it cannot.
  std::optional<std::string> failure() const;
  bool diskFull() const { return file_ && file_->diskFull(); }
  // Standard output closed: its reader went away.
  bool outputClosed() const { return !file_ && !out_; }

 private:
  bool put(const std::string& piece);

  std::unique_ptr<OutputFile> file_;
  std::ostream& out_;
  extract::CsvTexts texts_;
};

}  // namespace sheetwise::batch
