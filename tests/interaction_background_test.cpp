#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "support/temp_dir.h"
#include "widget/background_choice.h"

namespace nimbulux {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const Text kSunrise = u"日出 06:30";
const Text kSunset = u"日落 18:10";

TEST(BackgroundChoice, EachChoiceChecksOneElementAndPicksItsPicture) {
  for (int mode = 0; mode < 3; ++mode) {
    auto d = ChooseBackground(mode, u"12:00", kSunrise, kSunset);
    ASSERT_TRUE(d);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(d->CheckMarks[i], i == mode) << mode;
  }
  EXPECT_EQ(ChooseBackground(0, u"12:00", kSunrise, kSunset)->Shown, ShownBackground::Default);
  EXPECT_EQ(ChooseBackground(1, u"23:00", kSunrise, kSunset)->Shown, ShownBackground::Custom);
  EXPECT_FALSE(ChooseBackground(3, u"12:00", kSunrise, kSunset));
}

TEST(BackgroundChoice, AutomaticModeCountsSunriseAndSunsetAsDay) {
  auto shown = [](TextView now, TextView rise, TextView set) {
    return ChooseBackground(2, now, rise, set)->Shown;
  };
  EXPECT_EQ(shown(u"12:00", kSunrise, kSunset), ShownBackground::Custom);
  EXPECT_EQ(shown(u"18:10", kSunrise, kSunset), ShownBackground::Custom);
  EXPECT_EQ(shown(u"06:30", kSunrise, kSunset), ShownBackground::Custom);
  EXPECT_EQ(shown(u"18:11", kSunrise, kSunset), ShownBackground::Default);
  EXPECT_EQ(shown(u"06:29", kSunrise, kSunset), ShownBackground::Default);
  // Without the forecast's times every hour counts as night.
  EXPECT_EQ(shown(u"12:00", u"", u""), ShownBackground::Default);
}

class BackgroundPicturesTest : public ::testing::Test {
 protected:
  // Real GIF files: the program's two pictures stand for two versions of bg.gif.
  std::string Source(const char* name) {
    return ReadFile(std::string(NIMBULUX_SOURCE_DIR) + "/resources/" + name);
  }
  std::optional<QImage> ReadBg() {
    ++reads;
    QImage image(QString::fromStdString(dir.File("bg.gif")));
    if (image.isNull()) return std::nullopt;
    return image;
  }
  QImage Solid(QRgb colour) {
    QImage image(299, 210, QImage::Format_RGB32);
    image.fill(colour);
    return image;
  }

  TempDir dir;
  int reads = 0;
  BackgroundSources sources{[this] { return ReadBg(); },
                            [this] { return std::optional<QImage>(Solid(qRgb(0, 0, 200))); }};
};

TEST_F(BackgroundPicturesTest, OwnPictureIsReadAgainAtEachChoice) {
  BackgroundPictures pictures{Solid(qRgb(9, 9, 9)), std::nullopt};
  WriteFile(dir.File("bg.gif"), Source("background.gif"));
  auto first =
      ShowChosenBackground(*ChooseBackground(1, u"12:00", kSunrise, kSunset), pictures, sources);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size(), QSize(299, 210));

  WriteFile(dir.File("bg.gif"), Source("wait.gif"));
  auto second =
      ShowChosenBackground(*ChooseBackground(1, u"12:00", kSunrise, kSunset), pictures, sources);
  ASSERT_TRUE(second);
  EXPECT_NE(second->size(), first->size());
  EXPECT_EQ(reads, 2);

  // The automatic mode uses the picture already read and does not read again.
  auto day =
      ShowChosenBackground(*ChooseBackground(2, u"12:00", kSunrise, kSunset), pictures, sources);
  EXPECT_EQ(day, second);
  EXPECT_EQ(reads, 2);
  auto builtIn =
      ShowChosenBackground(*ChooseBackground(0, u"12:00", kSunrise, kSunset), pictures, sources);
  EXPECT_EQ(builtIn, pictures.Default);
}

TEST_F(BackgroundPicturesTest, MissingOrBrokenOwnPicture) {
  BackgroundPictures pictures{Solid(qRgb(9, 9, 9)), Solid(qRgb(1, 2, 3))};
  // No file: no picture at all in mode 1 (the old one is forgotten).
  EXPECT_FALSE(
      ShowChosenBackground(*ChooseBackground(1, u"12:00", kSunrise, kSunset), pictures, sources));
  EXPECT_FALSE(pictures.Custom);
  // Then the automatic mode shows the blue built-in picture by day.
  auto day =
      ShowChosenBackground(*ChooseBackground(2, u"12:00", kSunrise, kSunset), pictures, sources);
  ASSERT_TRUE(day);
  EXPECT_EQ(day->pixel(5, 5), qRgb(0, 0, 200));

  WriteFile(dir.File("bg.gif"), "GIF89a truncated");
  EXPECT_FALSE(
      ShowChosenBackground(*ChooseBackground(1, u"12:00", kSunrise, kSunset), pictures, sources));
}

}  // namespace
}  // namespace nimbulux
