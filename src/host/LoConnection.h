#pragma once
// Internal to the LibreOffice host: the bridge to an office process over its
// pipe, through a connection that counts the messages sent down it (see
// OfficeMessagesSent).

#include <com/sun/star/uno/XComponentContext.hpp>

#include <string>

#include "host/LoSession.h"

namespace sheetwise::host {

// The office's component context over the pipe pipeName. Throws
// css::uno::Exception while the office does not accept connections yet.
Reference<css::uno::XComponentContext> ConnectCounting(const Reference<css::uno::XComponentContext>& local,
                                                       const std::string& pipeName);

}  // namespace sheetwise::host
