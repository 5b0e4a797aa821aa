#include "cli/CsvOutput.h"

#include "host/Translate.h"

namespace sheetwise::batch {

CsvOutput::CsvOutput(const std::string& path, std::ostream& out, extract::CsvTexts texts)
    : file_(path.empty() ? nullptr : std::make_unique<OutputFile>(path)), out_(out), texts_(texts) {}

bool CsvOutput::writeHeader() { return put(extract::kCsvHeader); }

bool CsvOutput::write(const extract::ExtractionResults& records) {
  std::string piece;
  for (const auto& record : records) piece += extract::CsvRecord(record, texts_);
  return piece.empty() || put(piece);
}

void CsvOutput::close() {
  if (file_) file_->close();
}

std::optional<std::string> CsvOutput::failure() const {
  if (!file_ || !file_->failure()) return std::nullopt;
  return Tr("the extraction CSV cannot be written: %s", {*file_->failure()});
}

bool CsvOutput::put(const std::string& piece) {
  if (file_) return file_->write(piece);
  out_ << piece << std::flush;
  return static_cast<bool>(out_);
}

}  // namespace sheetwise::batch
