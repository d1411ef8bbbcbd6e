#include "core/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace nimbulux {
namespace {

// One iconv descriptor per direction and thread; opening one costs far more than a
// short conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible; returns false at the first bad input, with in/inleft
  // pointing at it.
  bool Run(const char*& in, std::size_t& inleft, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[4096];
    while (inleft > 0) {
      char* dst = buffer;
      std::size_t dstleft = sizeof buffer;
      const std::size_t r = iconv(cd_, const_cast<char**>(&in), &inleft, &dst, &dstleft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (r == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        return false;
      }
    }
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

Text TextFromGbk(std::string_view bytes) {
  thread_local Converter conv("UTF-16LE", "GB18030");
  Text result;
  if (!conv.ok()) return FromUtf8(bytes);
  const char* in = bytes.data();
  std::size_t inleft = bytes.size();
  std::string out;
  out.reserve(bytes.size() * 2);
  for (;;) {
    if (conv.Run(in, inleft, out)) break;
    // Skip one undecodable byte (or an incomplete tail) and go on.
    out.append("\xFD\xFF", 2);
    ++in;
    --inleft;
  }
  result.resize(out.size() / 2);
  for (std::size_t i = 0; i < result.size(); ++i) {
    result[i] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * i]) |
                                      (static_cast<unsigned char>(out[2 * i + 1]) << 8));
  }
  return result;
}

std::string GbkFromText(TextView text) {
  thread_local Converter conv("GBK", "UTF-16LE");
  std::string in_bytes(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    in_bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    in_bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  std::string out;
  if (!conv.ok()) return ToUtf8(text);
  out.reserve(text.size() * 2);
  const char* in = in_bytes.data();
  std::size_t inleft = in_bytes.size();
  for (;;) {
    if (conv.Run(in, inleft, out)) break;
    // A character GBK lacks (or a lone surrogate): one "?" per code unit.
    out.push_back('?');
    const std::size_t skip = inleft >= 2 ? 2 : inleft;
    in += skip;
    inleft -= skip;
  }
  return out;
}

}  // namespace nimbulux
