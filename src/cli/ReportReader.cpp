#include "cli/ReportReader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>

#include "host/FailureReason.h"
#include "host/Translate.h"
#include "rules/Utf8Text.h"

namespace sheetwise::batch {
namespace {

// A line that is not a report row.
struct BadRow {};
// A row of an earlier version's report, without a column --resume needs.
struct EarlierRow {};

// The headers of earlier versions: without the columns of a run's digest and stamps, and without the
// digest of each workbook's content.
constexpr const char* kEarlierCsvHeaders[] = {
    "source,outcome,output,reason,differences,seconds",
    "source,outcome,output,reason,differences,seconds,digest,finished,size,modified"};

ReportOutcome OutcomeNamed(std::string_view name) {
  for (const auto outcome : {ReportOutcome::Processed, ReportOutcome::Vetoed, ReportOutcome::Failed,
                             ReportOutcome::Skipped, ReportOutcome::NotStarted, ReportOutcome::Unchecked}) {
    if (name == OutcomeName(outcome)) return outcome;
  }
  throw BadRow{};
}

std::int64_t Integer(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) throw BadRow{};
  return value;
}

// The size and "SECONDS.NANOSECONDS", both given or both empty.
std::optional<FileStamp> StampOf(std::string_view size, std::string_view modified) {
  if (size.empty() && modified.empty()) return std::nullopt;
  const size_t dot = modified.find('.');
  if (dot == std::string_view::npos || modified.size() - dot != 10) throw BadRow{};
  return FileStamp{Integer(size), Integer(modified.substr(0, dot)), Integer(modified.substr(dot + 1))};
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A content digest as the report writes it: 64 hexadecimal digits, or empty.
std::string Sha256(const std::string& text) {
  if (!text.empty() && (text.size() != 64 || text.find_first_not_of("0123456789abcdef") != std::string::npos)) {
    throw BadRow{};
  }
  return text;
}

double Seconds(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// ---- CSV, RFC 4180 ----

// The record starting at pos, which moves past its line end; none when the
// text ends before the record does.
std::optional<std::vector<std::string>> NextCsvRecord(std::string_view text, size_t& pos) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  bool fieldStart = true;
  for (size_t i = pos; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = false;
      }
      continue;
    }
    if (c == '"' && fieldStart) {
      quoted = true;
      fieldStart = false;
    } else if (c == ',') {
      fields.emplace_back();
      fieldStart = true;
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      pos = i + (c == '\r' ? 2 : 1);
      return fields;
    } else if (c == '\r' && i + 1 == text.size()) {
      return std::nullopt;
    } else if (c == '"' || c == '\r') {
      throw BadRow{};
    } else {
      fields.back() += c;
      fieldStart = false;
    }
  }
  return std::nullopt;
}

std::vector<std::string> JsonListItems(std::string_view list);

// columns: the header's count; a report written before originals were kept
// has no "original", one written before changes were listed no "changes".
ReportRow CsvRow(const std::vector<std::string>& f, size_t columns) {
  if (f.size() != columns) throw BadRow{};
  return {f[0],          OutcomeNamed(f[1]), f[2], f[3], SplitLines(f[4]), Seconds(f[5]), f[6], f[7],
          StampOf(f[8], f[9]), Sha256(f[10]), columns > 11 ? f[11] : "",
          columns > 12 ? JsonListItems(f[12]) : std::vector<std::string>{}};
}

std::string Joined(const std::vector<std::string>& fields) {
  std::string text;
  for (const auto& field : fields) text += (text.empty() ? "" : ",") + field;
  return text;
}

std::string NotARow(const std::string& path, std::size_t line) {
  return Tr("%s is not a report of sheetwise-batch: line %s cannot be read as a report row",
            {path, std::to_string(line)});
}

std::string EarlierVersion(const std::string& path) {
  return Tr("%s was written by an earlier version of sheetwise-batch, without the columns --resume needs", {path});
}

// ---- JSON Lines: one flat object a line, as JsonReportRow writes it ----

struct JsonValue {
  std::string text;  // a string's text, a number's digits; "" for null
  std::vector<std::string> items;
  bool null = false;
};

class JsonLine {
 public:
  explicit JsonLine(std::string_view line) : s_(line) {}

  std::map<std::string, JsonValue> object() {
    std::map<std::string, JsonValue> members;
    expect('{');
    if (peek() == '}') return ++i_, members;
    do {
      std::string key = string();
      expect(':');
      members[std::move(key)] = value();
    } while (accept(','));
    expect('}');
    if (peek() != '\0') throw BadRow{};
    return members;
  }

 private:
  char peek() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r')) ++i_;
    return i_ < s_.size() ? s_[i_] : '\0';
  }
  bool accept(char c) {
    if (peek() != c) return false;
    ++i_;
    return true;
  }
  void expect(char c) {
    if (!accept(c)) throw BadRow{};
  }
  JsonValue value() {
    JsonValue v;
    if (peek() == '"') {
      v.text = string();
    } else if (peek() == '[') {
      ++i_;
      if (!accept(']')) {
        do v.items.push_back(string());
        while (accept(','));
        expect(']');
      }
    } else if (s_.substr(i_, 4) == "null") {
      i_ += 4;
      v.null = true;
    } else {
      const size_t start = i_;
      while (i_ < s_.size() && std::string_view("+-.0123456789eE").find(s_[i_]) != std::string_view::npos) ++i_;
      if (i_ == start) throw BadRow{};
      v.text = s_.substr(start, i_ - start);
    }
    return v;
  }
  unsigned hex4() {
    if (i_ + 4 > s_.size()) throw BadRow{};
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(s_.data() + i_, s_.data() + i_ + 4, value, 16);
    if (ec != std::errc() || end != s_.data() + i_ + 4) throw BadRow{};
    i_ += 4;
    return value;
  }
  std::string string() {
    expect('"');
    std::string out;
    while (true) {
      if (i_ >= s_.size()) throw BadRow{};
      const char c = s_[i_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) throw BadRow{};
      const char e = s_[i_++];
      static constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
      if (const size_t k = kFrom.find(e); k != std::string_view::npos) {
        out += kTo[k];
      } else if (e == 'u') {
        unsigned code = hex4();
        if (code >= 0xD800 && code < 0xDC00 && s_.substr(i_, 2) == "\\u") {
          i_ += 2;
          code = 0x10000 + ((code - 0xD800) << 10) + (hex4() - 0xDC00);
        }
        rules::AppendUtf8(out, code);
      } else {
        throw BadRow{};
      }
    }
  }

  std::string_view s_;
  size_t i_ = 0;
};

// A JSON list of texts as one value, as a CSV field holds it.
std::vector<std::string> JsonListItems(std::string_view list) {
  return JsonLine("{\"list\":" + std::string(list) + "}").object()["list"].items;
}

std::optional<FileStamp> JsonStamp(std::map<std::string, JsonValue>& m) {
  if (m["size"].null || m["modified"].null) return std::nullopt;
  return StampOf(m["size"].text, m["modified"].text);
}

ReportRow JsonRow(std::string_view line) {
  auto m = JsonLine(line).object();
  if (!m.contains("source") || !m.contains("outcome")) throw BadRow{};
  if (!m.contains("sha256")) throw EarlierRow{};
  return {m["source"].text,      OutcomeNamed(m["outcome"].text), m["output"].text,   m["reason"].text,
          m["differences"].items, Seconds(m["seconds"].text),     m["digest"].text,   m["finished"].text,
          JsonStamp(m),          Sha256(m["sha256"].text), m["original"].text, m["changes"].items};
}

}  // namespace

ReportRows::ReportRows(const std::filesystem::path& path) : path_(path.string()) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw ReportUnreadable(Tr("%s is a folder, not a file", {path_}));
  if (const auto reason = host::UnreadableReason(path_)) throw ReportUnreadable(*reason);
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) throw ReportUnreadable(host::ReasonForError(ec.value(), host::FileAction::ReadFile, path_));
  if (size > kMaxReportBytes) {
    throw ReportUnreadable(Tr("%s is larger than %s MB: no report of sheetwise-batch is that large",
                              {path_, std::to_string(kMaxReportBytes >> 20)}));
  }
  in_.open(path, std::ios::binary);
  fill(kReadBytes);
  json_ = !buffer_.empty() && buffer_.front() == '{';
  if (!json_ && !buffer_.empty()) readCsvHeader();
}

std::size_t ReportRows::lineAt(std::size_t start) const {
  return linesBefore_ + static_cast<std::size_t>(std::count(buffer_.begin(), buffer_.begin() + start, '\n')) + 1;
}

// Drops what was read whole and appends the next bytes; false at the end.
bool ReportRows::fill(std::size_t bytes) {
  if (atEnd_) return false;
  linesBefore_ += static_cast<std::size_t>(std::count(buffer_.begin(), buffer_.begin() + pos_, '\n'));
  buffer_.erase(0, pos_);
  bufferStart_ += pos_;
  pos_ = 0;
  const std::size_t kept = buffer_.size();
  buffer_.resize(kept + bytes);
  in_.read(buffer_.data() + kept, static_cast<std::streamsize>(bytes));
  buffer_.resize(kept + static_cast<std::size_t>(in_.gcount()));
  if (in_.bad()) throw ReportUnreadable(host::ReasonForError(EIO, host::FileAction::ReadFile, path_));
  atEnd_ = in_.gcount() == 0;
  return !atEnd_;
}

void ReportRows::readCsvHeader() {
  std::optional<std::vector<std::string>> header;
  try {
    while (!(header = NextCsvRecord(buffer_, pos_)) && fill(kReadBytes)) {
    }
  } catch (const BadRow&) {
    throw ReportUnreadable(NotARow(path_, 1));
  }
  if (!header) {  // not even the header was written whole
    atEnd_ = true;
    return;
  }
  if (std::ranges::find(kEarlierCsvHeaders, Joined(*header)) != std::end(kEarlierCsvHeaders)) {
    throw ReportUnreadable(EarlierVersion(path_));
  }
  // Without its last column (changes), or its last two (original, changes): written by earlier versions.
  const std::string_view current = kReportCsvHeader;
  const std::string_view withoutChanges = current.substr(0, current.rfind(','));
  const std::string_view withoutOriginal = withoutChanges.substr(0, withoutChanges.rfind(','));
  if (Joined(*header) != current && Joined(*header) != withoutChanges && Joined(*header) != withoutOriginal) {
    throw ReportUnreadable(Tr("%s is not a report of sheetwise-batch: its first line is \"%s\"",
                              {path_, rules::ValidUtf8(Joined(*header).substr(0, 80))}));
  }
  columns_ = header->size();
  wholeBytes_ = pos_;
  rowEnd_ = buffer_.compare(pos_ - 2, 2, "\r\n") == 0 ? "\r\n" : "\n";  // as the header's
}

std::optional<ReportRow> ReportRows::next() { return json_ ? nextJson(kReadBytes) : nextCsv(kReadBytes); }

std::optional<ReportRow> ReportRows::nextCsv(std::size_t readBytes) {
  while (columns_ > 0) {
    const std::size_t start = pos_;
    try {
      const auto record = NextCsvRecord(buffer_, pos_);
      if (!record && fill(readBytes)) continue;
      if (!record) {
        checkCutRow(pos_);  // the row's start, where the last read left it
        return std::nullopt;
      }
      ReportRow row = CsvRow(*record, columns_);
      rowStart_ = bufferStart_ + start;
      wholeBytes_ = bufferStart_ + pos_;
      return row;
    } catch (const BadRow&) {
      throw ReportUnreadable(NotARow(path_, lineAt(start)));
    }
  }
  return std::nullopt;
}

// A row that runs to the end of the file is one cut short only when no row
// end follows its start: a quote left open in a row before the last swallows
// the rows after it.
void ReportRows::checkCutRow(std::size_t start) const {
  if (buffer_.find(rowEnd_, start) == std::string::npos) return;
  throw ReportUnreadable(
      Tr("%s cannot be read: a quote opened on line %s is never closed, so the rows after it cannot be told apart; "
         "close it, or remove the row",
         {path_, std::to_string(lineAt(start))}));
}

std::optional<ReportRow> ReportRows::nextJson(std::size_t readBytes) {
  while (true) {
    const std::size_t end = buffer_.find('\n', pos_);
    if (end == std::string::npos && fill(readBytes)) continue;
    if (end == std::string::npos) return std::nullopt;  // the last line, cut short
    try {
      ReportRow row = JsonRow(std::string_view(buffer_).substr(pos_, end - pos_));
      rowStart_ = bufferStart_ + pos_;
      pos_ = end + 1;
      wholeBytes_ = bufferStart_ + pos_;
      return row;
    } catch (const BadRow&) {
      throw ReportUnreadable(NotARow(path_, lineAt(pos_)));
    } catch (const EarlierRow&) {
      throw ReportUnreadable(EarlierVersion(path_));
    }
  }
}

ReportRow ReportRows::rowAt(std::uintmax_t offset) {
  const std::uintmax_t whole = wholeBytes_;
  const std::uintmax_t start = rowStart_;
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  buffer_.clear();
  bufferStart_ = offset;
  pos_ = 0;
  atEnd_ = false;
  // A row takes a few hundred bytes: small reads, as rows are looked up one by one.
  constexpr std::size_t kRowBytes = 4096;
  auto row = json_ ? nextJson(kRowBytes) : nextCsv(kRowBytes);
  wholeBytes_ = whole;
  rowStart_ = start;
  if (!row) throw ReportUnreadable(Tr("%s changed while it was read", {path_}));
  return std::move(*row);
}

ReportFile ReadReport(const std::filesystem::path& path) {
  ReportRows rows(path);
  ReportFile report;
  while (auto row = rows.next()) report.rows.push_back(std::move(*row));
  report.wholeBytes = rows.wholeBytes();
  return report;
}

}  // namespace sheetwise::batch
