#include "net/http_fetch.h"

// Only the types and constants come from libcurl's headers; the library itself is loaded
// on the first https:// request, so a run that reads only the plain-HTTP portal never
// maps it (nor the TLS and Kerberos libraries behind it).
#define CURL_DISABLE_TYPECHECK 1
#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>

#include "core/gbk.h"
#include "net/plain_http.h"

namespace nimbulux {

namespace {

long g_connectMs = kConnectTimeoutMs;
long g_totalMs = kTotalTimeoutMs;
std::string g_lastUrl;

// The few libcurl entry points used, looked up once; nullptr when libcurl is missing.
struct CurlApi {
  CURLcode (*globalInit)(long);
  CURL* (*easyInit)();
  CURLcode (*easySetopt)(CURL*, CURLoption, ...);
  CURLcode (*easyPerform)(CURL*);
  CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...);
  void (*easyCleanup)(CURL*);
  curl_slist* (*slistAppend)(curl_slist*, const char*);
  void (*slistFreeAll)(curl_slist*);
};

template <typename Function>
bool LookUp(void* library, const char* name, Function& target) {
  void* symbol = dlsym(library, name);
  target = reinterpret_cast<Function>(symbol);
  return symbol != nullptr;
}

const CurlApi* Curl() {
  static const CurlApi* const api = []() -> const CurlApi* {
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static CurlApi loaded{};
    const bool complete = LookUp(library, "curl_global_init", loaded.globalInit) &&
                          LookUp(library, "curl_easy_init", loaded.easyInit) &&
                          LookUp(library, "curl_easy_setopt", loaded.easySetopt) &&
                          LookUp(library, "curl_easy_perform", loaded.easyPerform) &&
                          LookUp(library, "curl_easy_getinfo", loaded.easyGetinfo) &&
                          LookUp(library, "curl_easy_cleanup", loaded.easyCleanup) &&
                          LookUp(library, "curl_slist_append", loaded.slistAppend) &&
                          LookUp(library, "curl_slist_free_all", loaded.slistFreeAll);
    if (!complete || loaded.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      dlclose(library);
      return nullptr;
    }
    return &loaded;  // stays loaded for the rest of the run
  }();
  return api;
}

// Reseeded from the clock on every call, so that successive fetches draw fresh
// numbers; the counter keeps two calls in the same clock tick apart.
long RandomQueryNumber() {
  static unsigned counter = 0;
  const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  std::mt19937 generator(static_cast<unsigned>(now) ^ (++counter * 2654435761u));
  const double r = std::uniform_real_distribution<double>(0.0, 1.0)(generator);
  const long n = static_cast<long>(std::floor(r * 9999 + 1));
  return std::clamp(n, 1L, 9999L);
}

struct Body {
  std::string bytes;
  bool tooLarge = false;
};

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto* body = static_cast<Body*>(user);
  const std::size_t n = size * count;
  if (body->bytes.size() + n > kMaxBodyBytes) {
    body->tooLarge = true;
    return 0;  // makes libcurl give up the transfer
  }
  body->bytes.append(data, n);
  return n;
}

std::string LowerAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// The charset parameter of a Content-Type value, lower case, without quotes.
std::string DeclaredCharset(const char* contentType) {
  if (contentType == nullptr) return {};
  const std::string type = LowerAscii(contentType);
  const auto at = type.find("charset=");
  if (at == std::string::npos) return {};
  std::string value = type.substr(at + 8);
  const auto end = value.find_first_of("; \t");
  if (end != std::string::npos) value.resize(end);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

Text Latin1(std::string_view bytes) {
  Text t;
  t.reserve(bytes.size());
  for (unsigned char c : bytes) t.push_back(static_cast<char16_t>(c));
  return t;
}

Text Decode(std::string_view bytes, const std::string& charset) {
  if (charset == "utf-8" || charset == "utf8") return FromUtf8(bytes);
  if (charset == "gbk" || charset == "gb2312" || charset == "gb18030" || charset == "cp936" ||
      charset == "x-gbk") {
    return TextFromGbk(bytes);
  }
  if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii") return Latin1(bytes);
  // None declared (or one we do not know): the portal's pages are UTF-8 or GBK.
  return IsValidUtf8(bytes) ? FromUtf8(bytes) : TextFromGbk(bytes);
}

struct Transfer {
  bool ok = false;
  std::string body;
  std::string charset;
};

// https:// and every scheme other than http go through libcurl.
Transfer PerformWithCurl(const plain_http::Request& request, long redirects, long totalMs) {
  Transfer transfer;
  const CurlApi* api = Curl();
  if (api == nullptr || totalMs <= 0) return transfer;
  CURL* curl = api->easyInit();
  if (curl == nullptr) return transfer;

  Body body;
  curl_slist* headers = nullptr;
  // No header of our own beyond what the request needs.
  headers = api->slistAppend(headers, "Accept:");
  headers = api->slistAppend(headers, "Expect:");
  if (request.post) {
    headers = api->slistAppend(headers, ("Content-Type: " + request.contentType).c_str());
  }

  api->easySetopt(curl, CURLOPT_URL, request.url.c_str());
  api->easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
  api->easySetopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  api->easySetopt(curl, CURLOPT_MAXREDIRS, redirects);
  api->easySetopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(g_connectMs, totalMs));
  api->easySetopt(curl, CURLOPT_TIMEOUT_MS, totalMs);
  api->easySetopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));
  api->easySetopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  api->easySetopt(curl, CURLOPT_WRITEDATA, &body);
  api->easySetopt(curl, CURLOPT_HTTPHEADER, headers);
  if (request.post) {
    api->easySetopt(curl, CURLOPT_POST, 1L);
    api->easySetopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    api->easySetopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                    static_cast<curl_off_t>(request.body.size()));
  }

  const CURLcode result = api->easyPerform(curl);
  if (result == CURLE_OK) {
    char* type = nullptr;
    api->easyGetinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    transfer.charset = DeclaredCharset(type);
  }
  api->easyCleanup(curl);
  api->slistFreeAll(headers);

  // A partial or oversized body is a failure: never hand on half a reply.
  transfer.ok = result == CURLE_OK && !body.tooLarge;
  if (transfer.ok) transfer.body = std::move(body.bytes);
  return transfer;
}

Transfer PerformPlain(const plain_http::Request& request) {
  Transfer transfer;
  plain_http::Limits limits;
  limits.connectMs = g_connectMs;
  limits.totalMs = g_totalMs;
  limits.maxBodyBytes = kMaxBodyBytes;
  limits.maxRedirects = 5;
  plain_http::Outcome outcome =
      plain_http::Perform(request, limits, [](const char* name) { return std::getenv(name); });
  switch (outcome.kind) {
    case plain_http::Outcome::Kind::kDone:
      transfer.ok = true;
      transfer.body = std::move(outcome.body);
      transfer.charset = DeclaredCharset(outcome.contentType.c_str());
      break;
    case plain_http::Outcome::Kind::kOtherScheme:
      // Redirected to https: libcurl takes over with what is left of the limits.
      transfer = PerformWithCurl(outcome.request, outcome.redirectsLeft, outcome.millisecondsLeft);
      break;
    case plain_http::Outcome::Kind::kFailed:
      break;
  }
  return transfer;
}

// One request; the body lands in ResponseBytes(). Returns the text, empty on failure.
Text Perform(const std::string& url, const std::string* postBody, std::string_view contentType) {
  ResponseBytes().clear();
  g_lastUrl = url;
  plain_http::Request request;
  request.url = url;
  if (postBody != nullptr) {
    request.post = true;
    request.body = *postBody;
    request.contentType = std::string(contentType);
  }
  const std::string scheme = plain_http::SchemeOf(url);
  Transfer transfer = scheme.empty() || scheme == "http" ? PerformPlain(request)
                                                         : PerformWithCurl(request, 5, g_totalMs);
  if (!transfer.ok) return {};
  ResponseBytes() = std::move(transfer.body);
  return Decode(ResponseBytes(), transfer.charset);
}

}  // namespace

std::string& ResponseBytes() {
  static std::string bytes;
  return bytes;
}

Text HttpFetch(TextView url, bool bypassCache) {
  std::string target = ToUtf8(url);
  if (bypassCache) target.append("?").append(std::to_string(RandomQueryNumber()));
  return Perform(target, nullptr, {});
}

Text HttpPost(TextView url, std::string_view body, std::string_view contentType) {
  const std::string payload(body);
  return Perform(ToUtf8(url), &payload, contentType);
}

void SetHttpTimeoutsForTesting(long connectMs, long totalMs) {
  g_connectMs = connectMs > 0 ? connectMs : kConnectTimeoutMs;
  g_totalMs = totalMs > 0 ? totalMs : kTotalTimeoutMs;
}

const std::string& LastRequestedUrl() { return g_lastUrl; }

}  // namespace nimbulux
