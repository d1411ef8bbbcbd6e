// A city of the user's watched list: shown in the city menu, in the options dialog's
// list and, when Shown, in the several-cities row of the widget.
#pragma once

#include <vector>

#include "core/text.h"

namespace nimbulux {

struct WatchedCity {
  Text Name;
  Text Id;  // a city code
  bool Shown = false;

  bool operator==(const WatchedCity&) const = default;
};

using WatchedCityList = std::vector<WatchedCity>;

}  // namespace nimbulux
