#include "live/upstream_client.h"

#include <curl/curl.h>

#include <memory>

namespace nimbulux::portal_server {

namespace {

struct Sink {
  std::string body;
  std::size_t cap = 0;
  bool overflow = false;
};

std::size_t Write(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t n = size * count;
  if (sink->body.size() + n > sink->cap) {
    sink->overflow = true;
    return 0;  // makes libcurl stop with CURLE_WRITE_ERROR
  }
  sink->body.append(data, n);
  return n;
}

#define NIMBULUX_STR2(x) #x
#define NIMBULUX_STR(x) NIMBULUX_STR2(x)

}  // namespace

void InitUpstreamClient() { curl_global_init(CURL_GLOBAL_DEFAULT); }

std::string UpstreamUserAgent() {
  return "nimbulux-portal/" NIMBULUX_STR(NIMBULUX_VERSION_MAJOR) "." NIMBULUX_STR(
      NIMBULUX_VERSION_MINOR) "." NIMBULUX_STR(NIMBULUX_VERSION_PATCH) " (desktop weather widget)";
}

UpstreamReply UpstreamGet(const std::string& url, const UpstreamLimits& limits) {
  UpstreamReply reply;
  const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                 &curl_easy_cleanup);
  if (!curl) {
    reply.error = "cannot create a request";
    return reply;
  }
  Sink sink;
  sink.cap = limits.maxBodyBytes;
  const std::string agent = UpstreamUserAgent();
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, limits.totalSeconds);
  // Worker threads: time-outs must not use signals.
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Write);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
  const CURLcode rc = curl_easy_perform(c);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
  if (rc != CURLE_OK) {
    reply.error = sink.overflow ? "reply too large" : curl_easy_strerror(rc);
    return reply;
  }
  if (reply.status < 200 || reply.status > 299) {
    reply.error = "HTTP " + std::to_string(reply.status);
    return reply;
  }
  reply.ok = true;
  reply.body = std::move(sink.body);
  return reply;
}

std::string QueryValue(const std::string& text) {
  const std::unique_ptr<char, decltype(&curl_free)> escaped(
      curl_easy_escape(nullptr, text.data(), static_cast<int>(text.size())), &curl_free);
  return escaped ? std::string(escaped.get()) : std::string();
}

}  // namespace nimbulux::portal_server
