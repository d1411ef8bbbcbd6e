#include "weather/conditions.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "net/http_fetch.h"
#include "net/portal.h"

namespace nimbulux {

namespace {

// Part `part` of piece `piece` split at ":", or nothing when either is missing.
const Text* PartOf(const std::vector<std::vector<Text>>& pieces, std::size_t piece,
                   std::size_t part) {
  if (piece >= pieces.size() || part >= pieces[piece].size()) return nullptr;
  return &pieces[piece][part];
}

}  // namespace

ConditionsResult ReadConditions(TextView reply, WeatherState& state) {
  Text text = ReplaceAll(reply, u"\"", u"");
  text = ReplaceAll(text, u"暂无实况", u"");
  std::vector<std::vector<Text>> pieces;
  for (const Text& piece : Split(text, u",")) pieces.push_back(Split(piece, u":"));

  state.NowTemperature.clear();
  state.NowDetails[0].clear();
  state.NowDetails[1].clear();
  state.NowDetails[2].clear();
  state.NowTimeText.clear();

  if (state.CityName.empty()) {
    if (const Text* name = PartOf(pieces, 0, 2)) state.CityName = *name;
  }
  if (const Text* temperature = PartOf(pieces, 2, 1)) state.NowTemperature = *temperature + u"℃";
  if (const Text* humidity = PartOf(pieces, 5, 1); humidity && !humidity->empty()) {
    state.NowDetails[0] = u"湿度" + *humidity;
  }
  if (const Text* direction = PartOf(pieces, 3, 1)) state.NowDetails[1] = *direction;
  if (const Text* force = PartOf(pieces, 4, 1)) {
    state.NowDetails[1] += ReplaceAll(ReplaceAll(*force, u"小于", u"<"), u"大于", u">");
  }
  if (const Text* pressure = PartOf(pieces, 6, 1); pressure && !pressure->empty()) {
    state.NowDetails[2] = u"气压" + *pressure;
  }
  const Text* hour = PartOf(pieces, 8, 1);
  const Text* minute = PartOf(pieces, 8, 2);
  if (hour && minute) state.NowTimeText = u"天气实况(" + *hour + u":" + *minute + u")";

  ConditionsResult result;
  // A reading beyond the 16-bit range is held at its end rather than dropped to 0;
  // the icon itself shows at most two digits.
  double rounded = RoundHalfEven(LeadingNumber(state.NowTemperature));
  if (std::isnan(rounded)) rounded = 0;
  const double limited =
      std::clamp(rounded, static_cast<double>(std::numeric_limits<std::int16_t>::min()),
                 static_cast<double>(std::numeric_limits<std::int16_t>::max()));
  result.wholeDegrees = static_cast<std::int16_t>(limited);
  // A real 0 (the text "0℃") gets its icon; an empty or missing temperature does not.
  result.useTemperatureIcon =
      state.NowTemperature.find(u'0') != Text::npos || result.wholeDegrees != 0;
  return result;
}

ConditionsResult FetchConditions() {
  WeatherModule& weather = Weather();
  const Text reply =
      HttpFetch(weather.PortalBase + portal::ConditionsPath(weather.CurrentCityId), true);
  return ReadConditions(reply, weather.State);
}

}  // namespace nimbulux
