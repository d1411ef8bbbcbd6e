#include "net/plain_http.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace nimbulux::plain_http {

namespace {

constexpr std::size_t kMaxHeaderBytes = 256u * 1024u;
constexpr std::size_t kMaxChunkLine = 1024;

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerChar(c);
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerChar(a[i]) != LowerChar(b[i])) return false;
  }
  return true;
}

std::string_view TrimSpaceTab(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerChar(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Percent-encodes what may not stand on a request line as it is, so that no address can
// smuggle a line break or a blank into the request.
std::string EncodeTarget(std::string_view raw) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(raw.size());
  for (unsigned char c : raw) {
    if (c <= 0x20 || c >= 0x7F) {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

bool ValidRegName(std::string_view host) {
  if (host.empty()) return false;
  for (unsigned char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    IsDigit(static_cast<char>(c)) || c == '-' || c == '.' || c == '_' || c == '~' ||
                    c >= 0x80;
    if (!ok) return false;
  }
  return true;
}

std::optional<std::uint16_t> ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

// Splits "host[:port]" or "[v6]:port" (userinfo already removed).
bool SplitHostPort(std::string_view authority, std::string& host, std::uint16_t& port) {
  std::string_view portText;
  if (!authority.empty() && authority.front() == '[') {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return false;
    host = std::string(authority.substr(1, close - 1));
    const std::string_view rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      portText = rest.substr(1);
    }
    in6_addr probe{};
    if (inet_pton(AF_INET6, host.c_str(), &probe) != 1) return false;
  } else {
    const auto colon = authority.rfind(':');
    if (colon != std::string_view::npos) {
      portText = authority.substr(colon + 1);
      authority = authority.substr(0, colon);
    }
    host = std::string(authority);
    if (!ValidRegName(host)) return false;
  }
  if (!portText.empty()) {
    const auto parsed = ParsePort(portText);
    if (!parsed) return false;
    port = *parsed;
  }
  return true;
}

// Removes "." and ".." segments from an absolute path.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  std::size_t start = 1;
  bool trailingSlash = false;
  while (start <= path.size()) {
    auto end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view segment = path.substr(start, end - start);
    trailingSlash = false;
    if (segment == ".") {
      trailingSlash = true;
    } else if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
      trailingSlash = true;
    } else {
      kept.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const auto& segment : kept) {
    out.push_back('/');
    out.append(segment);
  }
  if (trailingSlash || out.empty()) out.push_back('/');
  return out;
}

std::string Base64(std::string_view in) {
  static const char* const kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(in[i]) << 16) |
                       (static_cast<unsigned char>(in[i + 1]) << 8) |
                       static_cast<unsigned char>(in[i + 2]);
    out += {kAlphabet[(v >> 18) & 63], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63],
            kAlphabet[v & 63]};
  }
  if (i + 1 == in.size()) {
    const unsigned v = static_cast<unsigned char>(in[i]) << 16;
    out += {kAlphabet[(v >> 18) & 63], kAlphabet[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == in.size()) {
    const unsigned v =
        (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8);
    out += {kAlphabet[(v >> 18) & 63], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
  }
  return out;
}

std::string PercentDecode(std::string_view in) {
  std::string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '%' && i + 2 < in.size() && HexValue(in[i + 1]) >= 0 && HexValue(in[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(in[i + 1]) * 16 + HexValue(in[i + 2])));
      i += 2;
    } else {
      out.push_back(in[i]);
    }
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Addresses

std::string SchemeOf(std::string_view url) {
  const auto sep = url.find("://");
  if (sep == std::string_view::npos || sep == 0) return {};
  for (std::size_t i = 0; i < sep; ++i) {
    const char c = url[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (i > 0 && (IsDigit(c) || c == '+' || c == '-' || c == '.'));
    if (!ok) return {};
  }
  return Lower(url.substr(0, sep));
}

std::optional<Url> ParseUrl(std::string_view url) {
  const std::string scheme = SchemeOf(url);
  if (!scheme.empty()) {
    if (scheme != "http") return std::nullopt;
    url.remove_prefix(scheme.size() + 3);
  }
  const auto hash = url.find('#');
  if (hash != std::string_view::npos) url = url.substr(0, hash);

  const auto authorityEnd = url.find_first_of("/?");
  std::string_view authority = url.substr(0, authorityEnd);
  const std::string_view rest =
      authorityEnd == std::string_view::npos ? std::string_view{} : url.substr(authorityEnd);
  // A user name in the address is not used for anything: drop it.
  const auto at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);

  Url parsed;
  if (!SplitHostPort(authority, parsed.host, parsed.port)) return std::nullopt;
  std::string target;
  if (rest.empty() || rest.front() == '?') target = "/";
  target.append(rest);
  parsed.target = EncodeTarget(target);
  return parsed;
}

std::string HostHeader(const Url& url) {
  std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
  if (url.port != 80) host.append(":").append(std::to_string(url.port));
  return host;
}

std::string AbsoluteForm(const Url& url) { return "http://" + HostHeader(url) + url.target; }

std::optional<std::string> ResolveLocation(std::string_view base, std::string_view location) {
  location = TrimSpaceTab(location);
  if (location.empty()) return std::nullopt;
  if (!SchemeOf(location).empty()) return std::string(location);

  const std::string baseScheme = SchemeOf(base).empty() ? "http" : SchemeOf(base);
  std::string_view rest = base;
  if (!SchemeOf(base).empty()) rest.remove_prefix(baseScheme.size() + 3);
  if (location.substr(0, 2) == "//") return baseScheme + ":" + std::string(location);

  const auto authorityEnd = rest.find_first_of("/?#");
  const std::string_view authority = rest.substr(0, authorityEnd);
  std::string_view basePath =
      authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);
  basePath = basePath.substr(0, basePath.find_first_of("?#"));
  if (basePath.empty()) basePath = "/";
  const std::string prefix = baseScheme + "://" + std::string(authority);

  const auto hash = location.find('#');
  if (hash != std::string_view::npos) location = location.substr(0, hash);
  if (location.empty()) return prefix + std::string(basePath);

  if (location.front() == '?') return prefix + std::string(basePath) + std::string(location);

  const auto queryAt = location.find('?');
  const std::string_view locPath = location.substr(0, queryAt);
  const std::string query =
      queryAt == std::string_view::npos ? std::string{} : std::string(location.substr(queryAt));
  std::string merged;
  if (!locPath.empty() && locPath.front() == '/') {
    merged = std::string(locPath);
  } else {
    merged = std::string(basePath.substr(0, basePath.rfind('/') + 1)) + std::string(locPath);
  }
  return prefix + RemoveDotSegments(merged) + query;
}

// ---------------------------------------------------------------------------------------
// Response parsing

ResponseParser::ResponseParser(std::size_t maxBodyBytes) : maxBodyBytes_(maxBodyBytes) {}

ResponseParser::State ResponseParser::Fail() {
  state_ = State::kFailed;
  phase_ = Phase::kDone;
  pending_.clear();
  body_.clear();
  return state_;
}

const std::string* ResponseParser::Header(std::string_view name) const {
  for (auto it = headers_.rbegin(); it != headers_.rend(); ++it) {
    if (EqualNoCase(it->first, name)) return &it->second;
  }
  return nullptr;
}

// Takes one line (without its CR LF or bare LF) from the pending bytes.
bool ResponseParser::TakeLine(std::string& line) {
  const auto lf = pending_.find('\n');
  if (lf == std::string::npos) return false;
  std::size_t end = lf;
  if (end > 0 && pending_[end - 1] == '\r') --end;
  line.assign(pending_, 0, end);
  pending_.erase(0, lf + 1);
  return true;
}

bool ResponseParser::OnStatusLine(const std::string& line) {
  // "HTTP/1.1 200 OK": version, a blank, three digits, then a blank or the end.
  if (line.size() < 12 || line.compare(0, 5, "HTTP/") != 0) return false;
  if (!IsDigit(line[5]) || line[6] != '.' || !IsDigit(line[7]) || line[8] != ' ') return false;
  if (!IsDigit(line[9]) || !IsDigit(line[10]) || !IsDigit(line[11])) return false;
  if (line.size() > 12 && line[12] != ' ') return false;
  status_ = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  if (status_ < 100) return false;
  headers_.clear();
  return true;
}

bool ResponseParser::OnHeaderLine(const std::string& line) {
  if ((line.front() == ' ' || line.front() == '\t')) {
    // An obsolete folded continuation of the previous header.
    if (headers_.empty()) return false;
    headers_.back().second.append(" ").append(TrimSpaceTab(line));
    return true;
  }
  const auto colon = line.find(':');
  if (colon == std::string::npos || colon == 0) return true;  // not a header; skip it
  headers_.emplace_back(std::string(TrimSpaceTab(std::string_view(line).substr(0, colon))),
                        std::string(TrimSpaceTab(std::string_view(line).substr(colon + 1))));
  return true;
}

bool ResponseParser::OnHeadersEnd() {
  if (status_ >= 100 && status_ < 200) {
    // An interim reply (100 Continue and the like): the real one follows.
    phase_ = Phase::kStatusLine;
    headers_.clear();
    return true;
  }
  if (status_ == 204 || status_ == 304) {
    phase_ = Phase::kDone;
    return true;
  }
  bool chunked = false;
  for (const auto& [name, value] : headers_) {
    if (!EqualNoCase(name, "Transfer-Encoding")) continue;
    // Chunked only counts when it is the last coding applied.
    std::string_view v = TrimSpaceTab(value);
    const auto comma = v.rfind(',');
    if (comma != std::string_view::npos) v = TrimSpaceTab(v.substr(comma + 1));
    chunked = EqualNoCase(v, "chunked");
  }
  if (chunked) {
    phase_ = Phase::kChunkSize;
    return true;
  }
  std::optional<std::uint64_t> length;
  for (const auto& [name, value] : headers_) {
    if (!EqualNoCase(name, "Content-Length")) continue;
    const std::string_view v = TrimSpaceTab(value);
    if (v.empty() || v.size() > 18) return false;
    std::uint64_t n = 0;
    for (char c : v) {
      if (!IsDigit(c)) return false;
      n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    length = n;  // the last one counts, as with curl
  }
  if (length) {
    if (*length > maxBodyBytes_) return false;
    remaining_ = *length;
    phase_ = remaining_ == 0 ? Phase::kDone : Phase::kFixedBody;
    body_.reserve(static_cast<std::size_t>(remaining_));
    return true;
  }
  phase_ = Phase::kBodyToClose;
  return true;
}

bool ResponseParser::AppendBody(std::string_view bytes) {
  if (body_.size() + bytes.size() > maxBodyBytes_) return false;
  body_.append(bytes);
  return true;
}

// Consumes what it can of the pending bytes; false on a malformed response.
bool ResponseParser::Step() {
  std::string line;
  while (phase_ != Phase::kDone) {
    switch (phase_) {
      case Phase::kStatusLine:
      case Phase::kHeaders:
      case Phase::kTrailers: {
        if (phase_ == Phase::kStatusLine &&
            pending_.compare(0, std::min<std::size_t>(pending_.size(), 5), "HTTP/", 0,
                             std::min<std::size_t>(pending_.size(), 5)) != 0) {
          return false;  // not an HTTP reply at all
        }
        const bool haveLine = TakeLine(line);
        if (!haveLine) {
          return headerBytes_ + pending_.size() <= kMaxHeaderBytes;
        }
        headerBytes_ += line.size() + 2;
        if (headerBytes_ > kMaxHeaderBytes) return false;
        if (phase_ == Phase::kStatusLine) {
          if (!OnStatusLine(line)) return false;
          phase_ = Phase::kHeaders;
        } else if (phase_ == Phase::kTrailers) {
          if (line.empty()) phase_ = Phase::kDone;
        } else if (line.empty()) {
          if (!OnHeadersEnd()) return false;
        } else if (!OnHeaderLine(line)) {
          return false;
        }
        break;
      }
      case Phase::kFixedBody:
      case Phase::kChunkData: {
        if (pending_.empty()) return true;
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, pending_.size()));
        if (!AppendBody(std::string_view(pending_).substr(0, n))) return false;
        pending_.erase(0, n);
        remaining_ -= n;
        if (remaining_ == 0) phase_ = phase_ == Phase::kFixedBody ? Phase::kDone : Phase::kChunkEnd;
        break;
      }
      case Phase::kChunkSize: {
        // A size line is short, however the reply is cut into pieces.
        if (!TakeLine(line)) return pending_.size() <= kMaxChunkLine;
        if (line.size() > kMaxChunkLine) return false;
        std::string_view v = line;
        v = v.substr(0, v.find(';'));  // chunk extensions are ignored
        v = TrimSpaceTab(v);
        if (v.empty() || v.size() > 15) return false;
        std::uint64_t n = 0;
        for (char c : v) {
          const int h = HexValue(c);
          if (h < 0) return false;
          n = n * 16 + static_cast<std::uint64_t>(h);
        }
        if (n == 0) {
          phase_ = Phase::kTrailers;
        } else {
          if (body_.size() + n > maxBodyBytes_) return false;
          remaining_ = n;
          phase_ = Phase::kChunkData;
        }
        break;
      }
      case Phase::kChunkEnd: {
        if (pending_.empty()) return true;
        if (pending_[0] == '\n') {
          pending_.erase(0, 1);
        } else if (pending_[0] == '\r') {
          if (pending_.size() < 2) return true;
          if (pending_[1] != '\n') return false;
          pending_.erase(0, 2);
        } else {
          return false;
        }
        phase_ = Phase::kChunkSize;
        break;
      }
      case Phase::kBodyToClose: {
        if (!AppendBody(pending_)) return false;
        pending_.clear();
        return true;
      }
      case Phase::kDone:
        break;
    }
  }
  return true;
}

ResponseParser::State ResponseParser::Feed(std::string_view bytes) {
  if (state_ != State::kInProgress) return state_;
  pending_.append(bytes);
  if (!Step()) return Fail();
  if (phase_ == Phase::kDone) {
    state_ = State::kComplete;
    pending_.clear();
  }
  return state_;
}

ResponseParser::State ResponseParser::Finish() {
  if (state_ != State::kInProgress) return state_;
  if (phase_ == Phase::kBodyToClose) {
    phase_ = Phase::kDone;
    state_ = State::kComplete;
    return state_;
  }
  return Fail();  // the reply ended early
}

// ---------------------------------------------------------------------------------------
// Proxies

bool NoProxyMatches(std::string_view host, std::string_view noProxy) {
  if (TrimSpaceTab(noProxy) == "*") return true;
  if (!host.empty() && host.back() == '.') host.remove_suffix(1);
  std::size_t start = 0;
  while (start < noProxy.size()) {
    auto end = noProxy.find_first_of(", \t", start);
    if (end == std::string_view::npos) end = noProxy.size();
    std::string_view entry = noProxy.substr(start, end - start);
    start = end + 1;
    if (entry.size() >= 2 && entry.front() == '[' && entry.back() == ']') {
      entry = entry.substr(1, entry.size() - 2);
    }
    while (!entry.empty() && entry.front() == '.') entry.remove_prefix(1);
    if (!entry.empty() && entry.back() == '.') entry.remove_suffix(1);
    if (entry.empty()) continue;
    if (entry == "*") return true;
    if (EqualNoCase(entry, host)) return true;
    if (host.size() > entry.size() && host[host.size() - entry.size() - 1] == '.' &&
        EqualNoCase(host.substr(host.size() - entry.size()), entry)) {
      return true;
    }
  }
  return false;
}

ProxyChoice ChooseProxy(std::string_view host, const EnvLookup& env) {
  ProxyChoice choice;
  auto read = [&env](const char* name) -> std::string_view {
    const char* value = env ? env(name) : nullptr;
    return value == nullptr ? std::string_view{} : std::string_view(value);
  };
  std::string_view noProxy = read("no_proxy");
  if (noProxy.empty()) noProxy = read("NO_PROXY");
  if (!noProxy.empty() && NoProxyMatches(host, noProxy)) return choice;

  std::string_view proxy = read("http_proxy");
  if (proxy.empty()) proxy = read("all_proxy");
  if (proxy.empty()) proxy = read("ALL_PROXY");
  proxy = TrimSpaceTab(proxy);
  if (proxy.empty()) return choice;

  const std::string scheme = SchemeOf(proxy);
  if (!scheme.empty()) {
    if (scheme != "http") {
      choice.kind = ProxyChoice::Kind::kUnsupported;
      return choice;
    }
    proxy.remove_prefix(scheme.size() + 3);
  }
  proxy = proxy.substr(0, proxy.find_first_of("/?#"));
  const auto at = proxy.rfind('@');
  if (at != std::string_view::npos) {
    choice.authorization = "Basic " + Base64(PercentDecode(proxy.substr(0, at)));
    proxy.remove_prefix(at + 1);
  }
  if (!SplitHostPort(proxy, choice.host, choice.port)) {
    choice.kind = ProxyChoice::Kind::kUnsupported;
    return choice;
  }
  choice.kind = ProxyChoice::Kind::kHttp;
  return choice;
}

// ---------------------------------------------------------------------------------------
// The exchange

namespace {

using SteadyClock = std::chrono::steady_clock;

class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  Socket(Socket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Socket& operator=(Socket&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  int fd() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

int MillisecondsUntil(SteadyClock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

// Waits for the socket; false on time-out or error.
bool WaitFor(int fd, short events, SteadyClock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int ms = MillisecondsUntil(deadline);
    if (ms <= 0) return false;
    const int rc = ::poll(&p, 1, ms);
    if (rc > 0) return true;  // errors show in the following call
    if (rc == 0) return false;
    if (errno != EINTR) return false;
  }
}

struct AddrInfoDeleter {
  void operator()(addrinfo* a) const {
    if (a != nullptr) freeaddrinfo(a);
  }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoDeleter>;

// getaddrinfo may block far beyond any time-out; it runs in a helper thread that is left
// behind (and cleans up after itself) when the wait runs out.
AddrInfoList Resolve(const std::string& host, std::uint16_t port,
                     SteadyClock::time_point deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  const std::string service = std::to_string(port);

  addrinfo numericHints = hints;
  numericHints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), service.c_str(), &numericHints, &found) == 0) {
    return AddrInfoList(found);
  }

  struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    addrinfo* result = nullptr;
  };
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, host, service, hints] {
      addrinfo* result = nullptr;
      if (getaddrinfo(host.c_str(), service.c_str(), &hints, &result) != 0) result = nullptr;
      std::lock_guard<std::mutex> lock(lookup->mutex);
      if (lookup->abandoned) {
        if (result != nullptr) freeaddrinfo(result);
      } else {
        lookup->result = result;
      }
      lookup->finished = true;
      lookup->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return nullptr;
  }
  std::unique_lock<std::mutex> lock(lookup->mutex);
  if (!lookup->done.wait_until(lock, deadline, [&] { return lookup->finished; })) {
    lookup->abandoned = true;
    return nullptr;
  }
  AddrInfoList list(lookup->result);
  lookup->result = nullptr;
  return list;
}

// Tries the addresses in turn (IPv4 and IPv6 alike) until one connects.
Socket Connect(const std::string& host, std::uint16_t port, SteadyClock::time_point deadline) {
  const AddrInfoList addresses = Resolve(host, port, deadline);
  for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
    Socket s(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
    if (!s.valid()) continue;
    if (::connect(s.fd(), a->ai_addr, a->ai_addrlen) == 0) return s;
    if (errno != EINPROGRESS) continue;
    if (!WaitFor(s.fd(), POLLOUT, deadline)) {
      if (MillisecondsUntil(deadline) <= 0) return {};
      continue;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) return s;
  }
  return {};
}

bool SendAll(int fd, std::string_view data, SteadyClock::time_point deadline) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitFor(fd, POLLOUT, deadline)) return false;
      continue;
    }
    return false;
  }
  return true;
}

struct Reply {
  int status = 0;
  std::string location;
  std::string contentType;
  std::string body;
};

// One request on one connection; nullopt on any failure.
std::optional<Reply> Exchange(const Request& request, const Url& url, const ProxyChoice& proxy,
                              const Limits& limits, SteadyClock::time_point totalDeadline) {
  const auto connectDeadline =
      std::min(totalDeadline, SteadyClock::now() + std::chrono::milliseconds(limits.connectMs));
  const bool viaProxy = proxy.kind == ProxyChoice::Kind::kHttp;
  const Socket s = viaProxy ? Connect(proxy.host, proxy.port, connectDeadline)
                            : Connect(url.host, url.port, connectDeadline);
  if (!s.valid()) return std::nullopt;

  std::string head = request.post ? "POST " : "GET ";
  head += viaProxy ? AbsoluteForm(url) : url.target;
  head += " HTTP/1.1\r\nHost: " + HostHeader(url) + "\r\n";
  if (viaProxy && !proxy.authorization.empty()) {
    head += "Proxy-Authorization: " + proxy.authorization + "\r\n";
  }
  head += "Connection: close\r\n";
  if (request.post) {
    std::string type = request.contentType;
    type.erase(
        std::remove_if(type.begin(), type.end(), [](char c) { return c == '\r' || c == '\n'; }),
        type.end());
    if (!type.empty()) head += "Content-Type: " + type + "\r\n";
    head.append("Content-Length: ").append(std::to_string(request.body.size())).append("\r\n");
  }
  head += "\r\n";
  if (!SendAll(s.fd(), head, totalDeadline)) return std::nullopt;
  if (request.post && !SendAll(s.fd(), request.body, totalDeadline)) return std::nullopt;

  ResponseParser parser(limits.maxBodyBytes);
  std::string buffer(64 * 1024, '\0');
  while (parser.state() == ResponseParser::State::kInProgress) {
    if (!WaitFor(s.fd(), POLLIN, totalDeadline)) return std::nullopt;
    const ssize_t n = ::recv(s.fd(), buffer.data(), buffer.size(), 0);
    if (n > 0) {
      parser.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    } else if (n == 0) {
      parser.Finish();
    } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return std::nullopt;  // reset by the peer and the like
    }
  }
  if (parser.state() != ResponseParser::State::kComplete) return std::nullopt;

  Reply reply;
  reply.status = parser.status();
  if (const std::string* location = parser.Header("Location")) reply.location = *location;
  if (const std::string* type = parser.Header("Content-Type")) reply.contentType = *type;
  reply.body = std::move(parser.body());
  return reply;
}

bool IsFollowedRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

Outcome Perform(const Request& original, const Limits& limits, const EnvLookup& env) {
  Outcome outcome;
  const auto totalDeadline = SteadyClock::now() + std::chrono::milliseconds(limits.totalMs);
  Request request = original;
  int redirectsLeft = limits.maxRedirects;
  for (;;) {
    const auto url = ParseUrl(request.url);
    if (!url) return outcome;
    const ProxyChoice proxy = ChooseProxy(url->host, env);
    if (proxy.kind == ProxyChoice::Kind::kUnsupported) return outcome;

    auto reply = Exchange(request, *url, proxy, limits, totalDeadline);
    if (!reply) return outcome;

    if (IsFollowedRedirect(reply->status) && !reply->location.empty()) {
      const auto next = ResolveLocation(request.url, reply->location);
      if (!next || redirectsLeft <= 0) return outcome;  // too many redirects is a failure
      --redirectsLeft;
      // curl's rule: 301 and 302 turn a POST into a GET, 303 turns anything into a GET.
      if (request.post && reply->status != 307 && reply->status != 308) {
        request.post = false;
        request.body.clear();
        request.contentType.clear();
      }
      request.url = *next;
      const std::string scheme = SchemeOf(request.url);
      if (!scheme.empty() && scheme != "http") {
        outcome.kind = Outcome::Kind::kOtherScheme;
        outcome.request = request;
        outcome.redirectsLeft = redirectsLeft;
        outcome.millisecondsLeft = MillisecondsUntil(totalDeadline);
        return outcome;
      }
      continue;
    }

    outcome.kind = Outcome::Kind::kDone;
    outcome.body = std::move(reply->body);
    outcome.contentType = std::move(reply->contentType);
    return outcome;
  }
}

}  // namespace nimbulux::plain_http
