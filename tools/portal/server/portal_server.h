// The routes of the demo portal on a cpp-httplib server.
#pragma once

#include <httplib.h>

#include <string>

#include "server/portal_options.h"

namespace nimbulux::portal_server {

inline constexpr char kHtmlUtf8[] = "text/html; charset=utf-8";

// Server threads. An idle keep-alive connection holds one for seconds, and a city with
// no reply on hand holds one while it waits for the weather service; at most three
// quarters of them may wait so, which leaves the rest to answer from the cache.
inline constexpr int kServerThreads = 32;
inline constexpr int kMostWaitingThreads = kServerThreads * 3 / 4;

// Sets body as the reply, gzip-compressed when the client takes it and the body is long
// enough to gain (each page compressed once while its text is unchanged).
void SetTextReply(const httplib::Request& req, httplib::Response& res, const std::string& body,
                  const char* contentType = kHtmlUtf8);

// Installs every route, the fixtures, the faults and (unless quiet) the request log.
void SetUpPortal(httplib::Server& server, const PortalOptions& options);

// Cuts injected delays short, so that the server can stop at once.
void EndPendingDelays();

}  // namespace nimbulux::portal_server
