// Compression of the portal's replies. The HTTP library would answer every client that
// accepts brotli at brotli's highest quality, about 150 ms of CPU for a forecast page;
// the portal compresses its replies itself instead: gzip, which every client that
// announces compression takes, and each page compressed once while its text is
// unchanged.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace nimbulux::portal_server {

// Whether an Accept-Encoding header value admits gzip ("gzip", "x-gzip" or "*" with a
// quality above 0).
bool AcceptsGzip(std::string_view acceptEncoding);

// The gzip stream of data (RFC 1952); empty when zlib fails.
std::string Gzip(std::string_view data, int level);

// Replies compressed once and kept, by their address, while their text stays the same.
class CompressedPages {
 public:
  explicit CompressedPages(std::size_t capacity = 32) : capacity_(capacity) {}

  // Replies shorter than this gain too little to be worth compressing.
  static constexpr std::size_t kMinimumSize = 1024;

  // The gzip form of body, the reply at address; nothing kept (and nullptr) for short
  // bodies or when compressing fails.
  std::shared_ptr<const std::string> Get(const std::string& address, const std::string& body);

 private:
  struct Entry {
    std::string address;
    std::string body;
    std::shared_ptr<const std::string> gzip;
  };
  const std::size_t capacity_;
  std::mutex mutex_;
  std::list<Entry> entries_;  // most recently used first
};

}  // namespace nimbulux::portal_server
