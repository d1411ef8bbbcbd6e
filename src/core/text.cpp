#include "core/text.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace nimbulux {

std::vector<Text> Split(TextView text, TextView sep) {
  std::vector<Text> pieces;
  if (text.empty()) return pieces;
  if (sep.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(sep, from);
    if (at == TextView::npos) {
      pieces.emplace_back(text.substr(from));
      return pieces;
    }
    pieces.emplace_back(text.substr(from, at - from));
    from = at + sep.size();
  }
}

Text Join(const std::vector<Text>& pieces, TextView sep) {
  Text out;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i) out.append(sep);
    out.append(pieces[i]);
  }
  return out;
}

Text ReplaceAll(TextView text, TextView from, TextView to) {
  if (from.empty()) return Text(text);
  Text out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t at = text.find(from, pos);
    if (at == TextView::npos) break;
    out.append(text.substr(pos, at - pos));
    out.append(to);
    pos = at + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

Text Left(TextView text, long long n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text Right(TextView text, long long n) {
  if (n <= 0) return {};
  const auto count = static_cast<std::size_t>(n);
  if (count >= text.size()) return Text(text);
  return Text(text.substr(text.size() - count));
}

Text Mid(TextView text, long long start, long long length) {
  if (start < 1) start = 1;
  const auto from = static_cast<std::size_t>(start - 1);
  if (from >= text.size()) return {};
  if (length < 0) return Text(text.substr(from));
  return Text(text.substr(from, static_cast<std::size_t>(length)));
}

std::size_t InStr(TextView text, TextView what, std::size_t start) {
  if (start < 1) start = 1;
  if (start - 1 > text.size()) return 0;
  const std::size_t at = text.find(what, start - 1);
  return at == TextView::npos ? 0 : at + 1;
}

TextView TrimBlanksView(TextView text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && text[b] == u' ') ++b;
  while (e > b && text[e - 1] == u' ') --e;
  return text.substr(b, e - b);
}

Text TrimBlanks(TextView text) { return Text(TrimBlanksView(text)); }

Text TextBetween(Text& text, TextView startMarker, TextView endMarker) {
  if (startMarker.empty() || endMarker.empty()) return {};
  const std::size_t a = text.find(startMarker);
  if (a == Text::npos) return {};
  const std::size_t from = a + startMarker.size();
  const std::size_t c = text.find(endMarker, from);
  if (c == Text::npos) return {};
  Text result(TrimBlanksView(TextView(text).substr(from, c - from)));
  text.erase(0, c + endMarker.size());
  return result;
}

namespace {

bool IsIgnoredBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// Whole-number literals in hexadecimal or octal are two's-complement values: up to 16
// bits they are signed 16-bit values, up to 32 bits signed 32-bit values ("&HFFFF" is -1).
double WrapRadixValue(unsigned long long v) {
  if (v <= 0xFFFFull) return static_cast<double>(static_cast<std::int16_t>(v));
  if (v <= 0xFFFFFFFFull) return static_cast<double>(static_cast<std::int32_t>(v));
  return static_cast<double>(v);
}

}  // namespace

double LeadingNumber(TextView text) {
  // Collect the characters that matter, skipping blanks wherever they stand.
  std::string s;
  s.reserve(text.size() < 64 ? text.size() : 64);
  std::size_t i = 0;
  auto next = [&]() -> int {
    while (i < text.size() && IsIgnoredBlank(text[i])) ++i;
    if (i >= text.size()) return -1;
    return text[i];
  };
  int c = next();
  if (c == '&') {
    ++i;
    c = next();
    int radix = 0;
    if (c == 'h' || c == 'H') radix = 16;
    if (c == 'o' || c == 'O') radix = 8;
    if (radix == 0) return 0;
    ++i;
    unsigned long long v = 0;
    bool any = false;
    for (;;) {
      c = next();
      int d = -1;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (radix == 16 && c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (radix == 16 && c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      if (d < 0 || d >= radix) break;
      any = true;
      if (v < (1ull << 60)) v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
      ++i;
    }
    return any ? WrapRadixValue(v) : 0;
  }
  if (c == '+' || c == '-') {
    s.push_back(static_cast<char>(c));
    ++i;
    c = next();
  }
  bool digits = false;
  while (c >= '0' && c <= '9') {
    s.push_back(static_cast<char>(c));
    digits = true;
    ++i;
    c = next();
  }
  if (c == '.') {
    s.push_back('.');
    ++i;
    c = next();
    while (c >= '0' && c <= '9') {
      s.push_back(static_cast<char>(c));
      digits = true;
      ++i;
      c = next();
    }
  }
  if (!digits) return 0;
  if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
    const std::size_t save_i = i;
    const std::size_t save_len = s.size();
    s.push_back('e');
    ++i;
    c = next();
    if (c == '+' || c == '-') {
      s.push_back(static_cast<char>(c));
      ++i;
      c = next();
    }
    bool exp_digits = false;
    while (c >= '0' && c <= '9') {
      if (s.size() < 4000) s.push_back(static_cast<char>(c));
      exp_digits = true;
      ++i;
      c = next();
    }
    if (!exp_digits) {
      s.resize(save_len);
      i = save_i;
    }
  }
  return std::strtod(s.c_str(), nullptr);
}

double RoundHalfEven(double value) { return std::nearbyint(value); }

std::optional<std::int16_t> ToInt16(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double r = RoundHalfEven(value);
  if (r < -32768.0 || r > 32767.0) return std::nullopt;
  return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> ToInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double r = RoundHalfEven(value);
  if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(r);
}

namespace {

char16_t UpperOf(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
    // Latin Extended-A pairs: even upper, odd lower (with a shifted stretch).
    const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (shifted) return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
    return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 32);  // full-width a..z
  return c;
}

char16_t LowerOf(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);
  return c;
}

}  // namespace

Text UpperCase(TextView text) {
  Text out(text);
  for (auto& c : out) c = UpperOf(c);
  return out;
}

Text LowerCase(TextView text) {
  Text out(text);
  for (auto& c : out) c = LowerOf(c);
  return out;
}

Text DecimalText(long long value) {
  const std::string s = std::to_string(value);
  return Text(s.begin(), s.end());
}

namespace {

// Decodes one UTF-8 sequence at bytes[i]; returns the code point or -1 when malformed.
long DecodeUtf8(std::string_view bytes, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(bytes[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int len = 0;
  long cp = 0;
  long min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    ++i;
    return -1;
  }
  if (i + static_cast<std::size_t>(len) > bytes.size()) {
    ++i;
    return -1;
  }
  for (int k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return -1;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return -1;
  }
  i += static_cast<std::size_t>(len);
  return cp;
}

}  // namespace

Text FromUtf8(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    const long cp = DecodeUtf8(bytes, i);
    if (cp < 0) {
      out.push_back(0xFFFD);
    } else if (cp >= 0x10000) {
      const long v = cp - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    if (DecodeUtf8(bytes, i) < 0) return false;
  }
  return true;
}

std::string ToUtf8(TextView text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned long cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace nimbulux
