// Pictures from bytes and files, and the portal's own GIF writer read back through them.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <random>

#include "net/picture_decoding.h"
#include "pages/gif_encoder.h"
#include "pages/portal_icons.h"
#include "support/temp_dir.h"

namespace nimbulux {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(PictureFromBytes, GivesNoneForWhatIsNotAPicture) {
  EXPECT_FALSE(PictureFromBytes({}));
  EXPECT_FALSE(PictureFromBytes("<html><body>404 Not Found</body></html>"));
  EXPECT_FALSE(PictureFromBytes(std::string("GIF89a\x10\x00", 8)));  // cut short
}

TEST(PictureFromBytes, DecodesGifAtItsOwnSizeAndLeavesTheBytesAlone) {
  for (const auto& [w, h] : {std::pair{42, 30}, std::pair{21, 15}}) {
    const std::string gif = portal_server::WeatherIconGif("d07", w, h);
    const std::string copy = gif;
    const auto picture = PictureFromBytes(gif);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width(), w);
    EXPECT_EQ(picture->height(), h);
    EXPECT_EQ(gif, copy);
  }
}

TEST(CompactPicture, KeepsEveryPixelInAQuarterOfTheMemory) {
  QImage sky(299, 210, QImage::Format_RGB32);
  for (int y = 0; y < sky.height(); ++y) {
    for (int x = 0; x < sky.width(); ++x) sky.setPixel(x, y, qRgb(x % 16 * 16, y % 8 * 32, 90));
  }
  const auto decoded = PictureFromBytes(portal_server::EncodeGif(sky));
  ASSERT_TRUE(decoded);
  const QImage compact = CompactPicture(*decoded);
  EXPECT_EQ(compact.depth(), 8);
  EXPECT_EQ(compact.convertToFormat(QImage::Format_RGB32),
            decoded->convertToFormat(QImage::Format_RGB32));

  // More colours than a palette holds stay as they are.
  QImage many(64, 64, QImage::Format_RGB32);
  for (int i = 0; i < 64 * 64; ++i) many.setPixel(i % 64, i / 64, qRgb(i % 256, i / 256, 7));
  EXPECT_EQ(CompactPicture(many).depth(), 32);
}

TEST(PictureFromBytes, DecodesIcons) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(QColor(255, 0, 0));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(QImageWriter(&buffer, "ico").write(image));
  const auto picture =
      PictureFromBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->size(), QSize(16, 16));
}

TEST(PictureFromFile, LoadsGifFilesOnly) {
  TempDir dir;
  WriteFile(dir.File("d01.gif"), portal_server::WeatherIconGif("d01", 42, 30));
  WriteFile(dir.File("broken.gif"), "GIF89a broken");
  EXPECT_TRUE(PictureFromFile(dir.File("d01.gif")));
  EXPECT_FALSE(PictureFromFile(dir.File("broken.gif")));
  EXPECT_FALSE(PictureFromFile(dir.File("missing.gif")));
  EXPECT_FALSE(PictureFromFile(dir.path()));  // a folder
  EXPECT_FALSE(PictureFromFile(""));
}

// The encoder's LZW stream must survive a real decoder, including the widening of
// codes and the dictionary reset that only large, noisy pictures reach.
TEST(GifEncoder, RoundTripsEveryPixelThroughQt) {
  std::mt19937 random(7);
  QImage image(300, 200, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int level = static_cast<int>(random() % 6) * 51;
      if (x < 20 && y < 20) {
        image.setPixel(x, y, qRgba(0, 0, 0, 0));
      } else if (y > 150) {
        image.setPixel(x, y, qRgb(255, 255, 0));  // long runs as well
      } else {
        image.setPixel(x, y, qRgb(level, static_cast<int>(random() % 6) * 51, 102));
      }
    }
  }
  const auto decoded = PictureFromBytes(portal_server::EncodeGif(image));
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), image.size());
  const QImage argb = decoded->convertToFormat(QImage::Format_ARGB32);
  int wrong = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb want = image.pixel(x, y);
      const QRgb got = argb.pixel(x, y);
      if (qAlpha(want) == 0 ? qAlpha(got) != 0 : got != want) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(PortalIcons, EveryCodeIsAPictureInBothSizes) {
  for (const char kind : {'d', 'n'}) {
    for (int n = 0; n <= 31; ++n) {
      const std::string code = std::string(1, kind) + (n < 10 ? "0" : "") + std::to_string(n);
      for (const auto& [w, h] : {std::pair{42, 30}, std::pair{21, 15}}) {
        const auto picture = PictureFromBytes(portal_server::WeatherIconGif(code, w, h));
        ASSERT_TRUE(picture) << code;
        EXPECT_EQ(picture->size(), QSize(w, h)) << code;
      }
    }
  }
  EXPECT_TRUE(portal_server::WeatherIconGif("d32", 42, 30).empty());
  EXPECT_TRUE(portal_server::WeatherIconGif("x01", 42, 30).empty());
}

}  // namespace
}  // namespace nimbulux
