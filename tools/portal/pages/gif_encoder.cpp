#include "pages/gif_encoder.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace nimbulux::portal_server {

namespace {

constexpr int kTransparentIndex = 216;
constexpr int kMinCodeSize = 8;

int Level(int channel) { return (channel * 5 + 127) / 255; }

void PutWord(std::string& out, int v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

// Packs variable-width codes least significant bit first into 255-byte sub-blocks.
class CodeWriter {
 public:
  void Put(int code, int size) {
    bits_ |= static_cast<std::uint32_t>(code) << count_;
    count_ += size;
    while (count_ >= 8) {
      bytes_ += static_cast<char>(bits_ & 0xFF);
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  std::string Finish() {
    if (count_ > 0) bytes_ += static_cast<char>(bits_ & 0xFF);
    std::string out;
    for (std::size_t i = 0; i < bytes_.size(); i += 255) {
      const std::size_t n = std::min<std::size_t>(255, bytes_.size() - i);
      out += static_cast<char>(n);
      out.append(bytes_, i, n);
    }
    out += '\0';
    return out;
  }

 private:
  std::string bytes_;
  std::uint32_t bits_ = 0;
  int count_ = 0;
};

std::string Lzw(const std::vector<std::uint8_t>& pixels) {
  const int clear = 1 << kMinCodeSize;
  const int end = clear + 1;
  CodeWriter w;
  std::unordered_map<std::uint32_t, int> dict;
  int size = kMinCodeSize + 1;
  int next = end + 1;
  w.Put(clear, size);
  if (pixels.empty()) {
    w.Put(end, size);
    return w.Finish();
  }
  int prefix = pixels[0];
  for (std::size_t i = 1; i < pixels.size(); ++i) {
    const int k = pixels[i];
    const std::uint32_t key =
        (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(k);
    const auto found = dict.find(key);
    if (found != dict.end()) {
      prefix = found->second;
      continue;
    }
    w.Put(prefix, size);
    if (next < 4096) {
      dict.emplace(key, next++);
      // The reader adds its entry one code later, so it widens one code later too.
      if (next == (1 << size) + 1 && size < 12) ++size;
    } else {
      w.Put(clear, size);
      dict.clear();
      size = kMinCodeSize + 1;
      next = end + 1;
    }
    prefix = k;
  }
  w.Put(prefix, size);
  w.Put(end, size);
  return w.Finish();
}

}  // namespace

std::string EncodeGif(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const int width = image.width();
  const int height = image.height();
  std::vector<std::uint8_t> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const QRgb p = image.pixel(x, y);
      if (qAlpha(p) < 128) {
        pixels.push_back(kTransparentIndex);
      } else {
        pixels.push_back(static_cast<std::uint8_t>(Level(qRed(p)) * 36 + Level(qGreen(p)) * 6 +
                                                   Level(qBlue(p))));
      }
    }
  }

  std::string out = "GIF89a";
  PutWord(out, width);
  PutWord(out, height);
  out += static_cast<char>(0xF7);  // global colour table of 256 entries
  out += '\0';                     // background colour
  out += '\0';                     // pixel aspect ratio
  for (int i = 0; i < 256; ++i) {
    if (i < 216) {
      out += static_cast<char>(i / 36 * 51);
      out += static_cast<char>(i / 6 % 6 * 51);
      out += static_cast<char>(i % 6 * 51);
    } else {
      out.append(3, '\0');
    }
  }
  // Graphic control extension: transparency on.
  out += "\x21\xF9\x04\x01";
  out.append(2, '\0');
  out += static_cast<char>(kTransparentIndex);
  out += '\0';
  // Image descriptor.
  out += '\x2C';
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, width);
  PutWord(out, height);
  out += '\0';
  out += static_cast<char>(kMinCodeSize);
  out += Lzw(pixels);
  out += '\x3B';
  return out;
}

}  // namespace nimbulux::portal_server
