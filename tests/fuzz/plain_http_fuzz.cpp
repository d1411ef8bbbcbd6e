// libFuzzer target over the plain HTTP reply reader and address handling. Any input must
// end quickly without a crash; a reply fed whole and fed in pieces must read the same,
// and no body may pass the cap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/plain_http.h"

namespace {

using nimbulux::plain_http::ResponseParser;

constexpr std::size_t kCap = 4096;

ResponseParser Read(std::string_view reply, std::size_t piece) {
  ResponseParser parser(kCap);
  for (std::size_t at = 0; at < reply.size(); at += piece) {
    parser.Feed(reply.substr(at, piece));
  }
  parser.Finish();
  return parser;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 7;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  ResponseParser whole = Read(input, input.size() + 1);
  ResponseParser pieces = Read(input, piece);
  if (whole.state() != pieces.state() || whole.body() != pieces.body()) std::abort();
  if (whole.body().size() > kCap) std::abort();
  if (whole.state() == ResponseParser::State::kFailed && !whole.body().empty()) std::abort();

  // The same bytes as an address, a redirect target and a no_proxy list.
  const auto split = input.find('\n');
  const std::string_view first = input.substr(0, split);
  const std::string_view second =
      split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);
  if (const auto url = nimbulux::plain_http::ParseUrl(first)) {
    if (url->target.empty() || url->target.front() != '/') std::abort();
    if (url->target.find_first_of(" \r\n") != std::string::npos) std::abort();
    (void)nimbulux::plain_http::AbsoluteForm(*url);
  }
  (void)nimbulux::plain_http::ResolveLocation(first, second);
  (void)nimbulux::plain_http::NoProxyMatches(first, second);
  return 0;
}
