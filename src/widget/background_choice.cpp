#include "widget/background_choice.h"

#include "widget/refresh_cycle.h"

namespace nimbulux {

std::optional<BackgroundDecision> ChooseBackground(int mode, TextView now5, TextView sunriseLine,
                                                   TextView sunsetLine) {
  if (mode < 0 || mode > 2) return std::nullopt;
  BackgroundDecision d;
  d.CheckMarks[static_cast<std::size_t>(mode)] = true;
  switch (static_cast<BackgroundMode>(mode)) {
    case BackgroundMode::BuiltIn:
      d.Shown = ShownBackground::Default;
      break;
    case BackgroundMode::Own:
      d.RereadCustom = true;
      d.Shown = ShownBackground::Custom;
      break;
    case BackgroundMode::Automatic:
      d.AutoBackground = true;
      d.BuiltInDayWhenNoCustom = true;
      d.Shown = IsDaytime(now5, sunriseLine, sunsetLine) ? ShownBackground::Custom
                                                         : ShownBackground::Default;
      break;
  }
  return d;
}

std::optional<QImage> ShowChosenBackground(const BackgroundDecision& decision,
                                           BackgroundPictures& pictures,
                                           const BackgroundSources& sources) {
  auto usable = [](std::optional<QImage> p) {
    if (p && p->isNull()) p.reset();
    return p;
  };
  if (decision.RereadCustom) {
    pictures.Custom = sources.ReadUserPicture ? usable(sources.ReadUserPicture()) : std::nullopt;
  }
  if (decision.BuiltInDayWhenNoCustom && !pictures.Custom && sources.BuiltInDayPicture) {
    pictures.Custom = usable(sources.BuiltInDayPicture());
  }
  return decision.Shown == ShownBackground::Custom ? pictures.Custom : pictures.Default;
}

}  // namespace nimbulux
