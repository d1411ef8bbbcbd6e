// The decisions of start-up that need no screen: where the stored position puts the
// widget and which city this run shows.
#pragma once

#include <functional>
#include <optional>

#include "core/text.h"

namespace nimbulux {

// The stored left edge (twips) when it keeps the widget on the virtual screen (at
// most 150 pixels outside it), else nothing: the design position stays.
std::optional<double> StoredLeftTwips(TextView stored, int virtualLeftPx, int virtualWidthPx);

// The top edge (twips) from the stored one: below 1 gives the docked top of 1 twip;
// too low for the primary screen gives half its height minus 100 pixels. Nothing when
// no value is stored.
std::optional<double> StoredTopTwips(TextView stored, int screenHeightPx);

// Which city the run shows: the stored one, overridden by the program file's name,
// overridden by the "local" argument (a code, or a name found by lookUp).
Text ChooseCurrentCity(TextView storedId, TextView fileNameCity, TextView localArgument,
                       const std::function<Text(TextView)>& lookUp);

}  // namespace nimbulux
