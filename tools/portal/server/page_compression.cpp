#include "server/page_compression.h"

// next_in of a const pointer.
#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <cstdlib>

namespace nimbulux::portal_server {

namespace {

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) == (y >= 'A' && y <= 'Z' ? y - 'A' + 'a' : y);
  });
}

// The quality of one list element ("gzip;q=0.5"): 1 without a q parameter.
bool QualityAboveZero(std::string_view parameters) {
  while (!parameters.empty()) {
    const std::size_t end = parameters.find(';');
    const std::string_view p = Trimmed(parameters.substr(0, end));
    if (p.size() > 2 && (p[0] == 'q' || p[0] == 'Q') && p[1] == '=') {
      // "0", "0.", "0.0", "0.00", "0.000" are zero; any other digit makes it positive.
      return p.substr(2).find_first_of("123456789") != std::string_view::npos;
    }
    if (end == std::string_view::npos) break;
    parameters.remove_prefix(end + 1);
  }
  return true;
}

}  // namespace

bool AcceptsGzip(std::string_view header) {
  bool gzip = false, named = false, anything = false;
  while (!header.empty()) {
    const std::size_t end = header.find(',');
    const std::string_view element = header.substr(0, end);
    const std::size_t semicolon = element.find(';');
    const std::string_view coding = Trimmed(element.substr(0, semicolon));
    const bool positive =
        semicolon == std::string_view::npos || QualityAboveZero(element.substr(semicolon + 1));
    if (SameLetters(coding, "gzip") || SameLetters(coding, "x-gzip")) {
      named = true;
      gzip = gzip || positive;
    } else if (coding == "*") {
      anything = positive;
    }
    if (end == std::string_view::npos) break;
    header.remove_prefix(end + 1);
  }
  return named ? gzip : anything;
}

std::string Gzip(std::string_view data, int level) {
  z_stream stream{};
  // 15 bits of window, plus 16: a gzip header and trailer rather than zlib's.
  if (deflateInit2(&stream, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<const Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return rc == Z_STREAM_END ? out : std::string();
}

std::shared_ptr<const std::string> CompressedPages::Get(const std::string& address,
                                                        const std::string& body) {
  if (body.size() < kMinimumSize) return nullptr;
  {
    const std::lock_guard lock(mutex_);
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return e.address == address; });
    if (it != entries_.end() && it->body == body) {
      entries_.splice(entries_.begin(), entries_, it);
      return it->gzip;
    }
  }
  // Compressed outside the lock: other pages are served meanwhile. A page is compressed
  // once per change of its text; level 6 costs a few milliseconds for the largest.
  auto gzip = std::make_shared<const std::string>(Gzip(body, 6));
  if (gzip->empty()) return nullptr;
  const std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.address == address; });
  entries_.push_front(Entry{address, body, gzip});
  if (entries_.size() > capacity_) entries_.pop_back();
  return gzip;
}

}  // namespace nimbulux::portal_server
