// The routes of the demo portal on a cpp-httplib server.
#pragma once

#include <httplib.h>

#include "server/portal_options.h"

namespace nimbulux::portal_server {

inline constexpr char kHtmlUtf8[] = "text/html; charset=utf-8";

// Installs every route, the fixtures, the faults and (unless quiet) the request log.
void SetUpPortal(httplib::Server& server, const PortalOptions& options);

// Cuts injected delays short, so that the server can stop at once.
void EndPendingDelays();

}  // namespace nimbulux::portal_server
