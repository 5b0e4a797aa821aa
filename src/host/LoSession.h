#pragma once
// Internal to the LibreOffice host: one running office process and the UNO
// connection to it, with every call guarded by the watchdog.

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "host/HostError.h"
#include "host/OfficeProcess.h"
#include "host/Watchdog.h"

namespace sheetwise::host {

namespace css = ::com::sun::star;
using css::uno::Reference;
using ::rtl::OString;
using ::rtl::OUString;

inline OUString ToOU(std::string_view text) {
  return OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}
inline std::string FromOU(const OUString& text) {
  const OString utf8 = OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(utf8.getStr(), static_cast<size_t>(utf8.getLength()));
}

// A UNO sequence from a braced list.
template <class T>
css::uno::Sequence<T> Seq(std::initializer_list<T> items) {
  return css::uno::Sequence<T>(items.begin(), static_cast<sal_Int32>(items.size()));
}

// File URL of a local path, made absolute first.
OUString FileUrl(const std::filesystem::path& path);

// Linear map from a column's internal width (1/100 mm) to the width in 1/256
// character units that the Excel export writes, for one default font.
struct WidthScale {
  double unitsPerHundredthMm = 0;
  double offset = 0;
};

// Scales measured so far, by default font; fonts are the machine's, so the
// figures hold for every office process of this program.
class WidthScaleCache {
 public:
  std::optional<WidthScale> find(const std::string& font);
  void store(const std::string& font, WidthScale scale);

 private:
  std::mutex mutex_;
  std::map<std::string, WidthScale> scales_;
};
WidthScaleCache& SharedWidthScales();

// The office cannot load the program's own component library.
class OfficeLibraryMissing : public HostError {
 public:
  using HostError::HostError;
};

class LoSession {
 public:
  LoSession(const std::filesystem::path& programDir, const ProfileSlot& profile,
            std::chrono::milliseconds callLimit, std::chrono::milliseconds startLimit, std::uint64_t memoryLimit);
  LoSession(const LoSession&) = delete;
  LoSession& operator=(const LoSession&) = delete;

  bool alive();
  void kill() noexcept { process_.kill(); }
  pid_t officePid() const { return process_.officePid(); }
  pid_t processGroup() const { return process_.processGroup(); }
  const Reference<css::frame::XComponentLoader>& loader() const { return loader_; }
  const std::filesystem::path& scratchDir() const { return scratchDir_; }
  // Runs one of the office-side tasks (OfficeSideTasks.h) on document in one
  // request, loading the component into the office on first use; more holds
  // the task's other arguments. Answers what the task answers.
  css::uno::Any runOfficeTask(const char* task, const Reference<css::lang::XComponent>& document,
                              std::initializer_list<css::beans::NamedValue> more = {});

  // Runs f as one guarded call: UNO failures become HostError naming what
  // failed, and a call that outlives the limit ends the office and fails.
  template <class F>
  auto call(std::string_view what, F&& f) -> decltype(f()) {
    Watchdog::Guard guard(watchdog_, callLimit_);
    try {
      return f();
    } catch (const css::lang::DisposedException& e) {
      Fail(what, e, guard.expired(), true);
    } catch (const css::uno::Exception& e) {
      Fail(what, e, guard.expired(), false);
    }
  }

 private:
  // Throws the failure of a call as the user should read it.
  [[noreturn]] void Fail(std::string_view what, const css::uno::Exception& e, bool timedOut, bool disposed);
  bool ranOutOfMemory(const css::uno::Exception& e);
  void connect(std::chrono::milliseconds startLimit);
  void MarkProfileCurrent();
  void UseExcelFormulaSyntax();
  void KeepMacroStorage();
  void KeepFontNames();
  void KeepStoredResults();
  Reference<css::task::XJob> LoadOfficeTasks();

  // Held first and let go last: the remote references need the local runtime.
  Reference<css::uno::XComponentContext> localContext_;
  std::string pipeName_;
  OfficeProcess process_;
  std::chrono::milliseconds callLimit_;
  std::uint64_t memoryLimit_;
  std::atomic<pid_t> officePid_{0};  // soffice.bin, once connected: whose work the watchdog measures
  Watchdog watchdog_;
  Reference<css::uno::XComponentContext> remoteContext_;
  Reference<css::frame::XComponentLoader> loader_;
  Reference<css::task::XJob> officeTasks_;
  std::filesystem::path scratchDir_;
  bool lost_ = false;
};

}  // namespace sheetwise::host
