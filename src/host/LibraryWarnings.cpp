#include "host/LibraryWarnings.h"

#include <glib.h>

#include <algorithm>
#include <mutex>

#include "host/Translate.h"

namespace sheetwise::host {
namespace {

// More than a few warnings about one file say nothing new.
constexpr size_t kKeptWarnings = 3;

thread_local LibraryWarnings* t_warnings = nullptr;

bool Matters(GLogLevelFlags level) {
  return (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) != 0;
}

void Take(GLogLevelFlags level, const char* message) {
  if (t_warnings && message && Matters(level)) t_warnings->keep(message);
}

void OnLog(const gchar*, GLogLevelFlags level, const gchar* message, gpointer) { Take(level, message); }

GLogWriterOutput OnStructuredLog(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer) {
  for (gsize i = 0; i < count; ++i) {
    if (g_strcmp0(fields[i].key, "MESSAGE") == 0 && fields[i].length < 0) {
      Take(level, static_cast<const char*>(fields[i].value));
    }
  }
  return G_LOG_WRITER_HANDLED;
}

}  // namespace

void QuietLibraryWarnings() {
  static std::once_flag once;
  std::call_once(once, [] {
    const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION);
    // Domains with a handler of their own are never given to the default one.
    for (const char* domain : {static_cast<const char*>(nullptr), "libgsf", "libgsf:msole", "GLib", "GLib-GObject",
                               "GLib-GIO"}) {
      g_log_set_handler(domain, levels, OnLog, nullptr);
    }
    g_log_set_default_handler(OnLog, nullptr);
    g_log_set_writer_func(OnStructuredLog, nullptr, nullptr);
  });
}

LibraryWarnings::LibraryWarnings() : outer_(t_warnings) {
  QuietLibraryWarnings();
  t_warnings = this;
}

LibraryWarnings::~LibraryWarnings() {
  // What an inner reader heard concerns the outer one's file too.
  for (const auto& message : said_) {
    if (outer_) outer_->keep(message);
  }
  t_warnings = outer_;
}

void LibraryWarnings::keep(const std::string& message) {
  if (said_.size() < kKeptWarnings && std::find(said_.begin(), said_.end(), message) == said_.end()) {
    said_.push_back(message);
  }
}

std::string LibraryWarnings::note() const {
  if (said_.empty()) return "";
  std::string joined;
  for (const auto& message : said_) joined += (joined.empty() ? "" : "; ") + message;
  return Tr("the file reader warned: %s", {joined});
}

std::string WithWarnings(const std::string& text, const LibraryWarnings& warnings) {
  const std::string note = warnings.note();
  if (note.empty()) return text;
  return text.empty() ? note : text + " (" + note + ")";
}

}  // namespace sheetwise::host
