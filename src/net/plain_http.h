// A small blocking HTTP/1.1 client for plain http:// addresses over POSIX sockets. The
// portal is plain HTTP, and a full client library would pull a TLS and Kerberos stack
// into every run of the widget; https:// stays with libcurl, loaded only when needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nimbulux::plain_http {

// An http:// address taken apart. `target` is the path and query, always starting with
// "/", with blanks, controls and non-ASCII bytes percent-encoded so it can go on the
// request line as it stands.
struct Url {
  std::string host;  // without brackets for an IPv6 literal
  std::uint16_t port = 80;
  std::string target;
};

// Lower-case scheme of an absolute address ("http", "https", ...); empty when there is
// none (an address without "scheme://" is taken as http, as curl does).
std::string SchemeOf(std::string_view url);

// Parses an http:// (or scheme-less) address; nullopt for anything malformed.
std::optional<Url> ParseUrl(std::string_view url);

// "host[:port]" for the Host header (the port only when it is not 80).
std::string HostHeader(const Url& url);
// The address in absolute form, as a proxy wants it on the request line.
std::string AbsoluteForm(const Url& url);

// Resolves a Location value against the address that gave it. Absolute, network-path
// ("//host/..."), absolute-path and relative references are understood; a fragment is
// dropped. nullopt when the result would be unusable.
std::optional<std::string> ResolveLocation(std::string_view base, std::string_view location);

// Reads one HTTP/1.x response fed in pieces as they arrive. Interim 1xx responses are
// skipped. The body is delimited by Content-Length (a shorter body fails), by chunked
// transfer coding (malformed or unfinished fails) or by the end of the connection.
class ResponseParser {
 public:
  enum class State { kInProgress, kComplete, kFailed };

  explicit ResponseParser(std::size_t maxBodyBytes);

  // Hands over bytes received; returns the state after them. Bytes after a complete
  // response are ignored.
  State Feed(std::string_view bytes);
  // The peer closed the connection.
  State Finish();

  State state() const { return state_; }
  int status() const { return status_; }
  // The value of the last header of that name (names compare without case), or nullptr.
  const std::string* Header(std::string_view name) const;
  std::string& body() { return body_; }

 private:
  enum class Phase {
    kStatusLine,
    kHeaders,
    kFixedBody,
    kChunkSize,
    kChunkData,
    kChunkEnd,
    kTrailers,
    kBodyToClose,
    kDone
  };

  State Fail();
  bool TakeLine(std::string& line);
  bool OnStatusLine(const std::string& line);
  bool OnHeaderLine(const std::string& line);
  bool OnHeadersEnd();
  bool AppendBody(std::string_view bytes);
  bool Step();

  std::size_t maxBodyBytes_;
  State state_ = State::kInProgress;
  Phase phase_ = Phase::kStatusLine;
  std::string pending_;  // received but not yet consumed
  std::size_t headerBytes_ = 0;
  int status_ = 0;
  std::vector<std::pair<std::string, std::string>> headers_;
  std::string body_;
  std::uint64_t remaining_ = 0;  // of the fixed body or of the current chunk
};

// Where a request for a host should go according to the environment, read the way
// libcurl reads it for http: http_proxy (lower case only), then all_proxy / ALL_PROXY,
// all overridden for hosts matched by no_proxy / NO_PROXY.
struct ProxyChoice {
  enum class Kind { kDirect, kHttp, kUnsupported };
  Kind kind = Kind::kDirect;
  std::string host;
  std::uint16_t port = 1080;
  std::string authorization;  // "Basic ..." when the proxy address carries a user
};

using EnvLookup = std::function<const char*(const char*)>;

ProxyChoice ChooseProxy(std::string_view host, const EnvLookup& env);
// no_proxy matching: "*" matches every host; otherwise a list separated by commas or
// blanks of names (matching the name itself and its subdomains) and addresses.
bool NoProxyMatches(std::string_view host, std::string_view noProxy);

struct Limits {
  long connectMs = 5000;
  long totalMs = 15000;
  std::size_t maxBodyBytes = 16u * 1024u * 1024u;
  int maxRedirects = 5;
};

struct Request {
  std::string url;
  bool post = false;
  std::string body;
  std::string contentType;
};

struct Outcome {
  enum class Kind { kDone, kFailed, kOtherScheme };
  Kind kind = Kind::kFailed;
  std::string body;
  std::string contentType;  // of the final reply
  // kOtherScheme: a redirect led to an address this client does not speak; the caller
  // carries on from `request` with the redirects and time that remain.
  Request request;
  int redirectsLeft = 0;
  long millisecondsLeft = 0;
};

// Performs the request, following redirects (301, 302, 303, 307, 308) as curl does: a
// POST becomes a GET without body after 301, 302 and 303, and stays a POST after 307 and
// 308. The status of the final reply is not judged.
Outcome Perform(const Request& request, const Limits& limits, const EnvLookup& env);

}  // namespace nimbulux::plain_http
