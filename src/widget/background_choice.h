// The background menu: the built-in picture, the user's own picture (bg.gif in the
// "Images" folder, read again at every choice so that a newly placed file shows at
// once), or a switch by sunrise and sunset, the user's picture by day.
#pragma once

#include <QImage>
#include <array>
#include <functional>
#include <optional>

#include "core/text.h"

namespace nimbulux {

enum class BackgroundMode { BuiltIn = 0, Own = 1, Automatic = 2 };

enum class ShownBackground { Default, Custom };

// What choosing a menu element decides; the pictures are handled by ShowChosenBackground.
struct BackgroundDecision {
  bool AutoBackground = false;
  std::array<bool, 3> CheckMarks{};     // exactly one set
  bool RereadCustom = false;            // read bg.gif again now
  bool BuiltInDayWhenNoCustom = false;  // the blue built-in picture stands in for bg.gif
  ShownBackground Shown = ShownBackground::Default;
};

// The choice of element mode (0..2); nothing for any other element. In the automatic
// mode the user's picture shows when now5 ("HH:mm") lies between the times that end
// the sunrise and sunset lines, both ends included (the refresh's own day rule).
std::optional<BackgroundDecision> ChooseBackground(int mode, TextView now5, TextView sunriseLine,
                                                   TextView sunsetLine);

struct BackgroundPictures {
  std::optional<QImage> Default;  // the built-in picture
  std::optional<QImage> Custom;   // the user's picture, or none
};

// Where pictures come from: bg.gif from the "Images" folder, and the built-in picture
// with its own (blue) colour table.
struct BackgroundSources {
  std::function<std::optional<QImage>()> ReadUserPicture;
  std::function<std::optional<QImage>()> BuiltInDayPicture;
};

// Carries out a decision on the pictures; gives the picture the window shows (none:
// no background picture).
std::optional<QImage> ShowChosenBackground(const BackgroundDecision& decision,
                                           BackgroundPictures& pictures,
                                           const BackgroundSources& sources);

}  // namespace nimbulux
