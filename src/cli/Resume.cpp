#include "cli/Resume.h"

#include <glib.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "batch/Shards.h"
#include "cli/BatchOptions.h"
#include "cli/ReportReader.h"
#include "host/Clock.h"
#include "host/SafeStore.h"
#include "host/Translate.h"

namespace sheetwise::batch {
namespace fs = std::filesystem;

namespace {

// Each field with its length before it, so that no two lists of fields read the same.
void AddField(std::string& text, const std::string& field) { text += std::to_string(field.size()) + ':' + field; }

bool IsDone(const ReportRow& row) { return !row.digest.empty() && row.stamp.has_value() && !row.sha256.empty(); }

}  // namespace

std::string RunDigest(const RunSettings& settings, bool extract) {
  std::string text;
  const auto& n = settings.naming;
  for (const std::string& field :
       {std::string("sheetwise-batch"), std::string(SHEETWISE_VERSION),
        std::string(extract ? "extract" : settings.inPlace ? "in-place" : "save"), settings.sheetName, settings.veto.row,
        settings.veto.column, settings.veto.value, n.sourceFolder, n.saveFolder, n.nameFrom, n.nameTo, n.pathFrom,
        n.pathTo, n.namePrefix, std::to_string(settings.rules.size())}) {
    AddField(text, field);
  }
  for (const auto& rule : settings.rules) AddField(text, rule.text);
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016" PRIx64, Fnv1a64(text));
  return hex;
}

std::optional<FileStamp> StampOf(const fs::path& path) {
  const auto identity = host::IdentityOf(path);
  if (!identity) return std::nullopt;
  return FileStamp{identity->size, identity->modified.tv_sec, identity->modified.tv_nsec};
}

std::string Sha256Of(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  const std::unique_ptr<GChecksum, decltype(&g_checksum_free)> sum(g_checksum_new(G_CHECKSUM_SHA256),
                                                                   &g_checksum_free);
  std::vector<char> buffer(1 << 16);
  do {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    g_checksum_update(sum.get(), reinterpret_cast<const guchar*>(buffer.data()), in.gcount());
  } while (in);
  return in.bad() ? "" : g_checksum_get_string(sum.get());
}

void StampRow(ReportRow& row, const std::string& digest, const std::string& now) {
  row.digest = digest;
  if (row.outcome != ReportOutcome::Processed && row.outcome != ReportOutcome::Vetoed) return;
  row.finished = now;
  row.stamp = StampOf(row.source);
  row.sha256 = Sha256Of(row.output.empty() ? row.source : row.output);
}

fs::path JournalPathOf(const fs::path& report) {
  return report.parent_path() / (report.stem().string() + ".saving" + report.extension().string());
}

namespace {

std::uint64_t KeyHash(const std::string& key) { return std::hash<std::string>{}(key); }

bool ByKey(const auto& a, const auto& b) { return a.key < b.key; }

ReportRows OpenReport(const fs::path& report) {
  try {
    return ReportRows(report);
  } catch (const ReportUnreadable& e) {
    throw UsageError("--resume: " + std::string(e.what()));
  }
}

}  // namespace

ResumePoint::ResumePoint(const fs::path& report, const std::string& digest, bool inPlace)
    : inPlace_(inPlace), report_(OpenReport(report)) {
  try {
    while (const auto row = report_.next()) {
      if (row->digest == digest) add(*row, {report_.rowStart(), 0});
      if (row->outcome == ReportOutcome::Skipped && row->digest.empty()) passedOver_.insert({row->source, row->reason});
    }
    wholeBytes_ = report_.wholeBytes();
    std::error_code ec;
    if (fs::exists(JournalPathOf(report), ec)) {
      journal_.emplace(JournalPathOf(report));
      while (const auto row = journal_->next()) {
        if (row->digest == digest) add(*row, {journal_->rowStart(), 1});
      }
    }
  } catch (const ReportUnreadable& e) {
    throw UsageError("--resume: " + std::string(e.what()));
  }
  // A key's rows stay in the order read: the last one counts.
  std::stable_sort(done_.begin(), done_.end(), ByKey<Entry, Entry>);
  std::stable_sort(listed_.begin(), listed_.end(), ByKey<Entry, Entry>);
  std::sort(sizes_.begin(), sizes_.end());
  sizes_.erase(std::unique(sizes_.begin(), sizes_.end()), sizes_.end());
}

void ResumePoint::add(const ReportRow& row, RowPlace place) {
  if (!IsDone(row)) return;
  if (!place.inJournal) listed_.push_back({KeyHash(row.source), place});
  if (inPlace_) sizes_.push_back(row.stamp->size);
  done_.push_back({KeyHash(inPlace_ ? row.sha256 : row.source), place});
}

ReportRow ResumePoint::rowAt(RowPlace place) {
  try {
    return place.inJournal ? journal_->rowAt(place.offset) : report_.rowAt(place.offset);
  } catch (const ReportUnreadable& e) {
    throw UsageError("--resume: " + std::string(e.what()));
  }
}

// The last of the entries of key whose row isIt.
std::optional<ResumePoint::RowPlace> ResumePoint::latest(const std::vector<Entry>& entries, const std::string& key,
                                                         const std::function<bool(const ReportRow&)>& isIt) {
  const Entry wanted{KeyHash(key), {0, 0}};
  const auto [first, last] = std::equal_range(entries.begin(), entries.end(), wanted, ByKey<Entry, Entry>);
  for (auto it = last; it != first;) {
    --it;
    if (isIt(rowAt(it->place))) return it->place;
  }
  return std::nullopt;
}

// Whatever its name, size or time: a source that holds what a done workbook was left holding.
std::optional<ResumePoint::RowPlace> ResumePoint::doneInPlace(const std::string& source) {
  const auto stamp = StampOf(source);
  if (!stamp || !std::binary_search(sizes_.begin(), sizes_.end(), stamp->size)) return std::nullopt;
  const std::string sha256 = Sha256Of(source);
  return latest(done_, sha256, [&](const ReportRow& row) { return row.sha256 == sha256; });
}

// A source unchanged since, whose copy still holds what was written.
std::optional<ResumePoint::RowPlace> ResumePoint::doneCopy(const std::string& source) {
  ReportRow earlier;
  const auto place = latest(done_, source, [&](const ReportRow& row) {
    earlier = row;
    return row.source == source;
  });
  if (!place || StampOf(source) != earlier.stamp) return std::nullopt;
  if (Sha256Of(earlier.output.empty() ? source : earlier.output) != earlier.sha256) return std::nullopt;
  return place;
}

bool ResumePoint::listed(const std::string& source) {
  return latest(listed_, source, [&](const ReportRow& row) { return row.source == source; }).has_value();
}

void ResumePoint::takeDone(WorkbookPaths& queue) {
  queue.keepIf([&](std::size_t index) {
    const std::string source = queue[index];
    const auto place = inPlace_ ? doneInPlace(source) : doneCopy(source);
    if (!place) return true;
    taken_.add(source);
    takenFrom_.push_back(*place);
    takenListed_.push_back(listed(source));
    return false;
  });
}

DoneWorkbook ResumePoint::done(std::size_t index) {
  const std::string source = taken_[index];
  const ReportRow earlier = rowAt(takenFrom_[index]);
  ReportRow row{source,           ReportOutcome::Skipped, inPlace_ ? source : earlier.output,
                Tr("already processed at %s", {earlier.finished}),
                {},               0,                      earlier.digest,
                earlier.finished, StampOf(source),        earlier.sha256};
  return {std::move(row), takenListed_[index]};
}

SaveJournal::SaveJournal(const fs::path& report, std::string digest)
    : path_(JournalPathOf(report)), digest_(std::move(digest)) {}

void SaveJournal::beforeReplace(const std::string& source, const std::string& written, const std::string& original) {
  std::lock_guard lock(mutex_);
  if (!rows_) {
    std::uintmax_t kept = 0;  // the rows of an earlier run killed before it removed its journal
    try {
      ReportRows rows(path_);
      while (rows.next()) {
      }
      kept = rows.wholeBytes();
    } catch (const ReportUnreadable&) {
    }
    rows_ = std::make_unique<RunReport>(path_, kept);
  }
  host::SystemClock clock;
  // Unrecorded, a replacement could be made twice by a resumed run: none is made.
  if (!rows_->add({source, ReportOutcome::Processed, source, "", {}, 0, digest_, host::DateTimeText(clock.now()),
                   StampOf(written), Sha256Of(written), original})) {
    throw std::runtime_error(Tr("the save journal cannot be written: %s", {rows_->failure().value_or("")}));
  }
}

void SaveJournal::finish() {
  std::lock_guard lock(mutex_);
  rows_.reset();
  std::error_code ec;
  fs::remove(path_, ec);
}

}  // namespace sheetwise::batch
