#include "pages/gif_encoder.h"

#include <gif_lib.h>

#include <cstdint>
#include <vector>

namespace nimbulux::portal_server {

namespace {

constexpr int kTransparentIndex = 216;

int Level(int channel) { return (channel * 5 + 127) / 255; }

int Append(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)
      ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
  return length;
}

// The 6x6x6 colour cube, then black for the transparent entries.
ColorMapObject* CubeColourMap() {
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  if (map == nullptr) return nullptr;
  for (int i = 0; i < 256; ++i) {
    const bool cube = i < 216;
    map->Colors[i].Red = static_cast<GifByteType>(cube ? i / 36 * 51 : 0);
    map->Colors[i].Green = static_cast<GifByteType>(cube ? i / 6 % 6 * 51 : 0);
    map->Colors[i].Blue = static_cast<GifByteType>(cube ? i % 6 * 51 : 0);
  }
  return map;
}

bool Write(GifFileType* gif, int width, int height, std::vector<GifByteType>& pixels) {
  ColorMapObject* map = CubeColourMap();
  const bool screen = map != nullptr && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
  GifFreeMapObject(map);
  if (!screen) return false;
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSAL_UNSPECIFIED;
  control.TransparentColor = kTransparentIndex;
  GifByteType extension[4];
  const std::size_t length = EGifGCBToExtension(&control, extension);
  if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) !=
          GIF_OK ||
      EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_OK) {
    return false;
  }
  for (int y = 0; y < height; ++y) {
    if (EGifPutLine(gif, pixels.data() + static_cast<std::size_t>(y) * width, width) != GIF_OK)
      return false;
  }
  return true;
}

}  // namespace

std::string EncodeGif(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const int width = image.width();
  const int height = image.height();
  if (width <= 0 || height <= 0) return {};
  std::vector<GifByteType> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const QRgb p = image.pixel(x, y);
      if (qAlpha(p) < 128) {
        pixels.push_back(kTransparentIndex);
      } else {
        pixels.push_back(
            static_cast<GifByteType>(Level(qRed(p)) * 36 + Level(qGreen(p)) * 6 + Level(qBlue(p))));
      }
    }
  }

  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, &Append, &error);
  if (gif == nullptr) return {};
  // The transparency extension needs GIF89a.
  EGifSetGifVersion(gif, true);
  const bool written = Write(gif, width, height, pixels);
  if (EGifCloseFile(gif, &error) != GIF_OK || !written) return {};
  return out;
}

}  // namespace nimbulux::portal_server
