#include "net/http_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <random>

#include "core/gbk.h"

namespace nimbulux {

namespace {

long g_connectMs = kConnectTimeoutMs;
long g_totalMs = kTotalTimeoutMs;
std::string g_lastUrl;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
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

// One request; the body lands in ResponseBytes(). Returns the text, empty on failure.
Text Perform(const std::string& url, const std::string* postBody, std::string_view contentType) {
  InitCurlOnce();
  ResponseBytes().clear();
  g_lastUrl = url;
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return {};

  Body body;
  curl_slist* headers = nullptr;
  // No header of our own beyond what the request needs.
  headers = curl_slist_append(headers, "Accept:");
  headers = curl_slist_append(headers, "Expect:");
  if (postBody != nullptr) {
    headers = curl_slist_append(headers, ("Content-Type: " + std::string(contentType)).c_str());
  }

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, g_connectMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, g_totalMs);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxBodyBytes));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  if (postBody != nullptr) {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postBody->data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody->size()));
  }

  const CURLcode result = curl_easy_perform(curl);
  std::string charset;
  if (result == CURLE_OK) {
    char* type = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
    charset = DeclaredCharset(type);
  }
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);

  // A partial or oversized body is a failure: never hand on half a reply.
  if (result != CURLE_OK || body.tooLarge) return {};
  ResponseBytes() = std::move(body.bytes);
  return Decode(ResponseBytes(), charset);
}

}  // namespace

std::string& ResponseBytes() {
  static std::string bytes;
  return bytes;
}

Text HttpFetch(TextView url, bool bypassCache) {
  std::string target = ToUtf8(url);
  if (bypassCache) target += "?" + std::to_string(RandomQueryNumber());
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
