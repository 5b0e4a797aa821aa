#include "host/LibreOfficeHost.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameReplace.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>
#include <com/sun/star/util/XFlushable.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/loader/XImplementationLoader.hpp>
#include <com/sun/star/registry/XRegistryKey.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "host/LoConnection.h"
#include "host/LoSession.h"
#include "host/LoWorkbook.h"
#include "host/OfficeMemoryLimit.h"
#include "host/OfficeSideTasks.h"
#include "host/ProcFs.h"
#include "host/Translate.h"
#include "host/WorkbookFile.h"
#include "host/WorkPhases.h"

namespace sheetwise::host {
namespace fs = std::filesystem;
using css::beans::PropertyValue;
using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;

namespace {

// The UNO runtime of this process, bootstrapped once.
Reference<css::uno::XComponentContext> LocalContext(const fs::path& programDir) {
  static std::once_flag once;
  static Reference<css::uno::XComponentContext> context;
  // A folder without the office is refused before it is recorded anywhere,
  // so that a later start with the right folder still works.
  RequireInstalledOffice(programDir);
  const fs::path rc = programDir / "fundamentalrc";
  std::call_once(once, [&] {
    // Without this the bridge crashes on its first remote call.
    const std::string bootstrap = "vnd.sun.star.pathname:" + rc.string();
    ::setenv("URE_BOOTSTRAP", bootstrap.c_str(), 1);
    context = cppu::defaultBootstrap_InitialComponentContext();
  });
  return context;
}

std::string UniquePipeName() {
  static std::atomic<int> counter{0};
  return kPipeNamePrefix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}


}  // namespace


OUString FileUrl(const fs::path& path) {
  OUString url;
  const OUString system = ToOU(fs::absolute(path).lexically_normal().string());
  if (osl::FileBase::getFileURLFromSystemPath(system, url) != osl::FileBase::E_None) {
    throw HostError("not a usable path: " + path.string());
  }
  return url;
}

std::optional<WidthScale> WidthScaleCache::find(const std::string& font) {
  std::lock_guard lock(mutex_);
  const auto it = scales_.find(font);
  if (it == scales_.end()) return std::nullopt;
  return it->second;
}

void WidthScaleCache::store(const std::string& font, WidthScale scale) {
  std::lock_guard lock(mutex_);
  scales_[font] = scale;
}

WidthScaleCache& SharedWidthScales() {
  static WidthScaleCache cache;
  return cache;
}

LoSession::LoSession(const fs::path& programDir, const ProfileSlot& profile,
                     std::chrono::milliseconds callLimit, std::chrono::milliseconds startLimit,
                     std::uint64_t memoryLimit)
    : localContext_(LocalContext(programDir)),
      pipeName_(UniquePipeName()),
      process_(programDir, profile, pipeName_, memoryLimit),
      callLimit_(callLimit),
      memoryLimit_(memoryLimit),
      watchdog_([this] { process_.kill(); }, [this] { return ProcessorTime(officePid_); }),
      scratchDir_(profile.directory().string() + "-scratch") {
  connect(startLimit);
}

void LoSession::connect(std::chrono::milliseconds startLimit) {
  const auto deadline = std::chrono::steady_clock::now() + startLimit;
  while (true) {
    if (!process_.alive()) {
      throw HostError(Tr("the office process ended as soon as it was started"));
    }
    try {
      remoteContext_ = ConnectCounting(localContext_, pipeName_);
      break;
    } catch (const css::uno::Exception&) {
      if (std::chrono::steady_clock::now() > deadline) {
        process_.kill();
        throw HostError(Tr("the office did not accept a connection within %s seconds",
                           {std::to_string(startLimit.count() / 1000)}));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
  }
  officePid_ = process_.officePid();
  loader_.set(remoteContext_->getServiceManager()->createInstanceWithContext("com.sun.star.frame.Desktop",
                                                                             remoteContext_),
              UNO_QUERY_THROW);
  MarkProfileCurrent();
  UseExcelFormulaSyntax();
  KeepMacroStorage();
  KeepFontNames();
  KeepStoredResults();
}

namespace {

Reference<css::lang::XMultiServiceFactory> ConfigurationProvider(const Reference<css::uno::XComponentContext>& context) {
  return Reference<css::lang::XMultiServiceFactory>(
      context->getServiceManager()->createInstanceWithContext("com.sun.star.configuration.ConfigurationProvider",
                                                              context),
      UNO_QUERY_THROW);
}

Reference<css::container::XNameAccess> UpdateAccess(const Reference<css::lang::XMultiServiceFactory>& provider,
                                                    const char* nodePath) {
  css::beans::PropertyValue path;
  path.Name = "nodepath";
  path.Value <<= OUString::createFromAscii(nodePath);
  return Reference<css::container::XNameAccess>(
      provider->createInstanceWithArguments("com.sun.star.configuration.ConfigurationUpdateAccess",
                                            Seq<Any>({Any(path)})),
      UNO_QUERY_THROW);
}

// Writes the changed values, if any, and flushes them to the profile.
void Apply(const Reference<css::lang::XMultiServiceFactory>& provider,
           const Reference<css::container::XNameAccess>& node, std::initializer_list<std::pair<const char*, Any>> values) {
  bool changed = false;
  Reference<css::container::XNameReplace> replace(node, UNO_QUERY_THROW);
  for (const auto& [name, value] : values) {
    const OUString key = OUString::createFromAscii(name);
    if (node->getByName(key) == value) continue;
    replace->replaceByName(key, value);
    changed = true;
  }
  if (!changed) return;
  Reference<css::util::XChangesBatch>(node, UNO_QUERY_THROW)->commitChanges();
  Reference<css::util::XFlushable>(provider, UNO_QUERY_THROW)->flush();
}

}  // namespace

// A headless office never records that this version has started once, so
// each start would count as the first after an upgrade and run seconds of
// graphics self-tests. Recording it keeps later starts of the profile short.
void LoSession::MarkProfileCurrent() {
  const auto provider = ConfigurationProvider(remoteContext_);
  const auto product = UpdateAccess(provider, "/org.openoffice.Setup/Product");
  Apply(provider, product, {{"ooSetupLastVersion", product->getByName("ooSetupVersion")}});
}

// Formulas in rules are typed as in Excel: English function names, "," between
// arguments and "Sheet2!A1" references, whatever the machine's locale.
void LoSession::UseExcelFormulaSyntax() {
  const auto provider = ConfigurationProvider(remoteContext_);
  Apply(provider, UpdateAccess(provider, "/org.openoffice.Office.Calc/Formula/Syntax"),
        {{"Grammar", Any(sal_Int32(1))},  // Excel A1
         {"EnglishFunctionName", Any(true)},
         {"SeparatorArg", Any(OUString(","))},
         {"SeparatorArrayCol", Any(OUString(","))},
         {"SeparatorArrayRow", Any(OUString(";"))}});
}

// A workbook's macro storage is written back as the file had it, whatever the
// office would make of it; its code is never loaded to run.
void LoSession::KeepMacroStorage() {
  const auto provider = ConfigurationProvider(remoteContext_);
  Apply(provider, UpdateAccess(provider, "/org.openoffice.Office.Calc/Filter/Import/VBA"),
        {{"UseExport", Any(false)}, {"Load", Any(false)}, {"Executable", Any(false)}, {"Save", Any(true)}});
}

// The Excel exports write, for a font the office knows a Microsoft substitute
// of (Helvetica, Times, Courier, ...), the substitute's name instead of the
// cell's font: without substitutes, every font keeps its name.
void LoSession::KeepFontNames() {
  const auto provider = ConfigurationProvider(remoteContext_);
  const auto locales = UpdateAccess(provider, "/org.openoffice.VCL/FontSubstitutions");
  bool changed = false;
  for (const auto& locale : locales->getElementNames()) {
    Reference<css::container::XNameAccess> fonts(locales->getByName(locale), css::uno::UNO_QUERY);
    if (!fonts.is()) continue;
    // A profile cleared before has no substitute for Helvetica either: one question instead of hundreds.
    if (fonts->hasByName("helvetica")) {
      OUString substitute;
      Reference<css::container::XNameAccess>(fonts->getByName("helvetica"), UNO_QUERY_THROW)->getByName("SubstFontsMS") >>= substitute;
      if (substitute.isEmpty()) continue;
    }
    for (const auto& font : fonts->getElementNames()) {
      Reference<css::container::XNameAccess> entry(fonts->getByName(font), css::uno::UNO_QUERY);
      if (!entry.is() || !entry->hasByName("SubstFontsMS")) continue;
      OUString substitute;
      entry->getByName("SubstFontsMS") >>= substitute;
      if (substitute.isEmpty()) continue;
      Reference<css::container::XNameReplace>(entry, UNO_QUERY_THROW)->replaceByName("SubstFontsMS", Any(OUString()));
      changed = true;
    }
  }
  if (!changed) return;
  Reference<css::util::XChangesBatch>(locales, UNO_QUERY_THROW)->commitChanges();
  Reference<css::util::XFlushable>(provider, UNO_QUERY_THROW)->flush();
}

// Formulas keep the results the file stores: the office never recalculates a
// workbook it loads (1: never), whatever a profile said before.
void LoSession::KeepStoredResults() {
  const auto provider = ConfigurationProvider(remoteContext_);
  Apply(provider, UpdateAccess(provider, "/org.openoffice.Office.Calc/Formula/Load"),
        {{"OOXMLRecalcMode", Any(sal_Int32(1))}, {"ODFRecalcMode", Any(sal_Int32(1))}});
}

namespace {

// The component library: beside the program, where an install puts it, or
// where the build made it.
fs::path OfficeSideLibrary() {
  std::error_code ec;
  const fs::path programDir = fs::read_symlink("/proc/self/exe", ec).parent_path();
  for (const fs::path& candidate : {programDir / SHEETWISE_OFFICE_SIDE_NAME,
                                    programDir / ".." / "lib" / "sheetwise" / SHEETWISE_OFFICE_SIDE_NAME}) {
    if (fs::exists(candidate, ec)) return candidate;
  }
  return SHEETWISE_OFFICE_SIDE_LIBRARY;
}

}  // namespace

Any LoSession::runOfficeTask(const char* task, const Reference<css::lang::XComponent>& document,
                             std::initializer_list<css::beans::NamedValue> more) {
  if (!officeTasks_.is()) officeTasks_ = LoadOfficeTasks();
  css::uno::Sequence<css::beans::NamedValue> arguments(2 + static_cast<sal_Int32>(more.size()));
  auto* argument = arguments.getArray();
  *argument++ = css::beans::NamedValue("Task", Any(OUString::createFromAscii(task)));
  *argument++ = css::beans::NamedValue("Document", Any(document));
  for (const auto& value : more) *argument++ = value;
  return officeTasks_->execute(arguments);
}

// Loaded through the office's own shared-library loader, so that the object
// lives in the office process and its calls on documents stay there.
Reference<css::task::XJob> LoSession::LoadOfficeTasks() {
  const fs::path library = OfficeSideLibrary();
  try {
    const Reference<css::loader::XImplementationLoader> libraries(
        remoteContext_->getServiceManager()->createInstanceWithContext("com.sun.star.loader.SharedLibrary",
                                                                       remoteContext_),
        UNO_QUERY_THROW);
    const Reference<css::lang::XSingleComponentFactory> factory(
        libraries->activate(OUString::createFromAscii(kOfficeSideImplementation), OUString(), FileUrl(library),
                            Reference<css::registry::XRegistryKey>()),
        UNO_QUERY_THROW);
    return Reference<css::task::XJob>(factory->createInstanceWithContext(remoteContext_), UNO_QUERY_THROW);
  } catch (const css::lang::DisposedException&) {
    throw;  // the office ended
  } catch (const css::uno::RuntimeException&) {
    if (!process_.alive()) throw;
  } catch (const css::uno::Exception&) {
  }
  throw OfficeLibraryMissing(Tr("the office cannot load the program's library %s (is the program installed whole?)",
                                {library.string()}));
}

bool LoSession::alive() { return !lost_ && process_.alive(); }

void LoSession::Fail(std::string_view what, const css::uno::Exception& e, bool timedOut, bool disposed) {
  // The office's own message is a code for its developers, not for the user.
  if (timedOut) {
    lost_ = true;
    throw HostError(Tr("the office did not answer within %s seconds while trying to %s, and was ended",
                       {std::to_string(callLimit_.count() / 1000), what}));
  }
  if (ranOutOfMemory(e)) {
    // Whatever the office was doing is left half done: it is not used again.
    lost_ = true;
    process_.kill();
    throw OfficeMemoryExceeded(Tr("the workbook is too large for the office's memory limit (%s MB)",
                                  {std::to_string(Megabytes(memoryLimit_))}));
  }
  if (disposed || !process_.alive()) {
    lost_ = true;
    throw HostError(Tr("the office ended while trying to %s", {what}));
  }
  throw HostError(Tr("the office could not %s", {what}));
}

// An allocation refused inside a call comes back as a C++ exception of the
// office's; one refused elsewhere (while loading, say) only fails the call,
// with the office's address space then at its limit.
bool LoSession::ranOutOfMemory(const css::uno::Exception& e) {
  if (memoryLimit_ == 0) return false;
  if (e.Message.indexOf("bad_alloc") >= 0) return true;
  const pid_t office = process_.alive() ? process_.officePid() : 0;
  const auto peak = static_cast<std::uint64_t>(office > 0 ? PeakAddressSpaceBytes(office) : 0);
  return peak >= memoryLimit_ - memoryLimit_ / 16;
}

struct LibreOfficeHost::Impl {
  HostOptions options;
  std::unique_ptr<ProfileSlot> profile;
  std::shared_ptr<LoSession> session;
  unsigned lost = 0;  // offices that ended or hung, not counting the current one

  std::shared_ptr<LoSession> running() {
    if (session && session->alive()) return session;
    if (session) {
      session->kill();
      ++lost;
    }
    session.reset();
    try {
      if (!profile) {
        profile = std::make_unique<ProfileSlot>(options.cacheRoot);
        EndStrayOffices(*profile);
        RemoveStrayPipeSockets();
      }
      session = std::make_shared<LoSession>(options.officeProgramDir, *profile, options.callLimit,
                                            options.startLimit, options.memoryLimitBytes);
    } catch (const css::uno::Exception&) {
      throw HostUnavailable(Tr("LibreOffice could not be started: %s", {Tr("the office refused the connection")}));
    } catch (const SetupError& e) {
      throw HostUnavailable(Tr("LibreOffice could not be started: %s", {e.what()}), false);
    } catch (const HostError& e) {
      throw HostUnavailable(Tr("LibreOffice could not be started: %s", {e.what()}));
    }
    return session;
  }
};

LibreOfficeHost::LibreOfficeHost(HostOptions options) : impl_(std::make_unique<Impl>()) {
  if (options.officeProgramDir.empty()) options.officeProgramDir = SHEETWISE_LO_PROGRAM;
  if (options.cacheRoot.empty()) options.cacheRoot = DefaultCacheRoot();
  if (options.memoryLimitBytes == 0) {
    options.memoryLimitBytes = DefaultOfficeMemoryLimit(ProcMemoryFigures().read(), 1);
  }
  impl_->options = std::move(options);
}

LibreOfficeHost::~LibreOfficeHost() = default;

void LibreOfficeHost::start() { impl_->running(); }

void LibreOfficeHost::shutdown() {
  if (impl_->session) impl_->session->kill();
  impl_->session.reset();
}

unsigned LibreOfficeHost::officesLost() const {
  return impl_->lost + (impl_->session && !impl_->session->alive() ? 1 : 0);
}

pid_t LibreOfficeHost::officePid() {
  return impl_->session && impl_->session->alive() ? impl_->session->officePid() : 0;
}

std::optional<StartedOffice> LibreOfficeHost::startedOffice() {
  if (!impl_->session || !impl_->session->alive()) return std::nullopt;
  return StartedOffice{impl_->session->processGroup(), impl_->profile->officeArgument()};
}

std::unique_ptr<Workbook> LibreOfficeHost::open(const std::string& path, OpenMode mode) {
  EnterPhase(WorkPhase::Load);
  // Taken first: a file that changes from here on is not saved over in place.
  const std::optional<FileIdentity> loaded = IdentityOf(path);
  const WorkbookFileInfo info = InspectWorkbookFile(path);
  auto session = impl_->running();
  try {
    return OpenWorkbook(session, path, info, mode, loaded, impl_->options.owner);
  } catch (const OfficeMemoryExceeded&) {
    throw;  // a new office would run into its limit again
  } catch (const HostError&) {
    // An office ended from outside may still have looked alive a moment ago:
    // opening changes nothing, so it is tried once more on a new office.
    if (session->alive()) throw;
    return OpenWorkbook(impl_->running(), path, info, mode, loaded, impl_->options.owner);
  }
}

}  // namespace sheetwise::host
