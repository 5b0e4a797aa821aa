#include "host/LoConnection.h"

#include <signal.h>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/XConnection.hpp>
#include <cppuhelper/implbase1.hxx>

#include <atomic>

#include "host/WorkPhases.h"

namespace sheetwise::host {
namespace {
using css::connection::XConnection;
using css::uno::Sequence;

std::atomic<std::uint64_t> g_messagesSent{0};

// The pipe connection as it is, counting what is written to it: the bridge
// writes each message whole, in one call.
class CountingConnection : public cppu::WeakImplHelper1<XConnection> {
 public:
  explicit CountingConnection(Reference<XConnection> inner) : inner_(std::move(inner)) {}

  sal_Int32 SAL_CALL read(Sequence<sal_Int8>& data, sal_Int32 bytes) override { return inner_->read(data, bytes); }
  void SAL_CALL write(const Sequence<sal_Int8>& data) override {
    g_messagesSent.fetch_add(1, std::memory_order_relaxed);
    inner_->write(data);
  }
  void SAL_CALL flush() override { inner_->flush(); }
  void SAL_CALL close() override { inner_->close(); }
  OUString SAL_CALL getDescription() override { return inner_->getDescription(); }

 private:
  Reference<XConnection> inner_;
};

}  // namespace

std::uint64_t OfficeMessagesSent() { return g_messagesSent.load(std::memory_order_relaxed); }

Reference<css::uno::XComponentContext> ConnectCounting(const Reference<css::uno::XComponentContext>& local,
                                                       const std::string& pipeName) {
  // A write to an office that died (killed by the watchdog, say) must fail
  // the call with an error, not end this program with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  // What the URL resolver does, with the counting connection in between.
  const Reference<XConnection> pipe =
      css::connection::Connector::create(local)->connect(ToOU("pipe,name=" + pipeName));
  const Reference<css::bridge::XBridge> bridge = css::bridge::BridgeFactory::create(local)->createBridge(
      OUString(), "urp", new CountingConnection(pipe), Reference<css::bridge::XInstanceProvider>());
  return Reference<css::uno::XComponentContext>(bridge->getInstance("StarOffice.ComponentContext"),
                                                css::uno::UNO_QUERY_THROW);
}

}  // namespace sheetwise::host
