// HTTP GET requests to the weather service, through libcurl: TLS, time-outs, a size cap
// and a User-Agent that names the program.
#pragma once

#include <string>

namespace nimbulux::portal_server {

struct UpstreamReply {
  bool ok = false;    // a 2xx reply arrived in full within the limits
  long status = 0;    // HTTP status; 0 when none arrived
  std::string body;   // empty unless ok
  std::string error;  // why not ok, for the log
};

struct UpstreamLimits {
  long connectSeconds = 5;
  long totalSeconds = 15;
  std::size_t maxBodyBytes = 4u * 1024u * 1024u;
};

// Call once before any thread makes a request (libcurl's global set-up is not
// thread-safe).
void InitUpstreamClient();

std::string UpstreamUserAgent();

// Thread-safe; each call uses its own connection handle.
UpstreamReply UpstreamGet(const std::string& url, const UpstreamLimits& limits);

// Percent-encodes a query value (UTF-8 bytes; unreserved characters stay as they are).
std::string QueryValue(const std::string& text);

}  // namespace nimbulux::portal_server
