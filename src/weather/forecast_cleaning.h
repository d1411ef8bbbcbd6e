// Reduces the portal's forecast page to plain text with one item per line, the form the
// forecast parser reads by line number, and reads the page header on the way.
#pragma once

#include "core/text.h"
#include "weather/weather_state.h"

namespace nimbulux {

// Cleans the page in place and returns the result (equal to the final page). Empties
// the header fields, TodayForecast and ExtraLines of state and fills CityName,
// DateWords and PageNotes from the page; notesTooltip receives the tooltip of the
// bottom line (the two notes in brackets, or the empty text).
Text CleanForecastPage(Text& page, WeatherState& state, Text& notesTooltip);
// The same on the program's weather record, Weather().State.
Text CleanForecastPage(Text& page, Text& notesTooltip);

// While find occurs in text, replaces every occurrence by replacement (each pass left to
// right). Callers pass a replacement shorter than find that does not contain it.
Text ReplaceUntilGone(Text& text, TextView find, TextView replacement);

// Repeatedly removes the span from the first startMarker to the first endMarker found
// from that start marker on (keeping what lies between them when keepInner). Stops when
// no start marker is left, when no end marker follows the first one, or when that end
// marker begins inside the start marker; the rest of the text then stays as it is.
// Gives the same text as restarting the search from the first character after every
// removal, in time linear in the text's length.
Text RemoveSpans(Text& text, TextView startMarker, TextView endMarker, bool keepInner);

}  // namespace nimbulux
