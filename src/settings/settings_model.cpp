#include "settings/settings_model.h"

#include <charconv>
#include <cmath>

#include "settings/settings_file.h"

namespace nimbulux {
namespace {

// Positions in section "CITY" are 16-bit numbers; a corrupt "Count" must not make the
// start-up or the exit loop over billions of keys.
constexpr int kMaxCityPosition = 32767;

int CityPositionLimit(double count) {
  if (!(count >= 1)) return 0;
  return count >= kMaxCityPosition ? kMaxCityPosition : static_cast<int>(count);
}

Text FontText(const FontChoice& font) { return font.Name + u":" + DecimalText(font.Size); }

Text Flag(bool set) { return set ? u"1" : u"0"; }

}  // namespace

std::array<int, 5> TextColoursFromSetting(TextView value) {
  std::array<int, 5> colours = kDefaultTextColours;
  const auto items = Split(value, u";");
  for (std::size_t i = 0; i < items.size() && i < colours.size(); ++i) {
    // Only the light half of the palette can be chosen this way.
    const double v = LeadingNumber(items[i]);
    if (v >= 7 && v < 16) colours[i] = static_cast<int>(v);
  }
  return colours;
}

void ApplyFontSetting(TextView value, FontChoice& normal, FontChoice& temperature) {
  Text text(value);
  if (text.size() <= 7) {
    text = FontText({Text(kDesignFontName), kDesignFontSize}) + u";" +
           FontText({Text(kDefaultTemperatureFontName), kDefaultTemperatureFontSize});
  }
  const auto items = Split(text, u";");
  auto apply = [](const Text& item, FontChoice& font) {
    const auto pieces = Split(item, u":");
    if (pieces.size() < 2) return;
    font.Name = pieces[0];
    // A size that is no usable point size keeps the size the font had.
    const auto size = ToInt16(LeadingNumber(pieces[1]));
    if (size && *size > 0) font.Size = *size;
  };
  if (items.size() > 1) apply(items[1], temperature);
  if (!items.empty()) apply(items[0], normal);
}

Settings ReadAllSettings() {
  namespace k = settings_key;
  const SettingsSnapshot file = SettingsSnapshot::Load();
  auto get = [&](TextView key) { return file.Read(kSystemSection, key); };
  // A value outside the 16-bit range is not taken; the default stays.
  auto readInt16 = [&](TextView key, std::int16_t& target) {
    if (const auto v = ToInt16(LeadingNumber(get(key)))) target = *v;
  };

  Settings s;
  s.LocalId = get(k::kLocalId);
  s.CurrentX = get(k::kCurrentX);
  s.CurrentY = get(u"Currenty");
  readInt16(k::kHide, s.Hide);
  readInt16(k::kMulti, s.ShowSeveralCities);
  std::int16_t showIndex = 0;
  readInt16(k::kShowIndex, showIndex);
  s.ViewMode = showIndex != 0 ? kIndexView : kFiveColumnsView;
  readInt16(k::kLock, s.Lock);
  readInt16(k::kTop, s.Top);
  readInt16(k::kTrans, s.Trans);
  readInt16(k::kDesk, s.Desk);
  readInt16(k::kBackGround, s.BackGround);
  s.TextColours = TextColoursFromSetting(get(u"myColor"));
  ApplyFontSetting(get(k::kMyFont), s.NormalFont, s.TemperatureFont);
  readInt16(k::kSave, s.SaveIcons);
  readInt16(k::kFront, s.Front);
  readInt16(k::kUpdate, s.Update);
  readInt16(k::kTrayCpu, s.TrayCpu);

  // An "Alpha" outside 0..255 would leave the widget fully transparent; read it as 0.
  std::int16_t alpha = 0;
  readInt16(k::kAlpha, alpha);
  s.Alpha = alpha >= 0 && alpha <= 255 ? alpha : 0;
  s.Opacity = kOpaque - s.Alpha;

  s.TrayColourRules = get(k::kTrayColor);
  if (s.TrayColourRules.empty()) s.TrayColourRules = kDefaultTrayColourRules;
  s.ForecastWindows = get(k::kForecast);
  if (s.ForecastWindows.empty()) s.ForecastWindows = kDefaultForecastWindows;

  // 0 means the default; a negative interval would refresh on every timer tick.
  readInt16(k::kTime, s.RefreshInterval);
  if (s.RefreshInterval <= 0) s.RefreshInterval = kDefaultRefreshInterval;

  const int count = CityPositionLimit(LeadingNumber(file.Read(kCitySection, k::kCount)));
  for (int position = 1; position <= count; ++position) {
    const auto fields = Split(file.Read(kCitySection, DecimalText(position)), u";");
    // An entry without a city code is skipped; the later ones close the gap.
    if (fields.size() < 2) continue;
    WatchedCity city{fields[0], fields[1], false};
    if (fields.size() > 2) city.Shown = LeadingNumber(fields[2]) > 0;
    s.WatchedCities.push_back(std::move(city));
  }
  return s;
}

Text TwipsText(float twips) {
  if (!std::isfinite(twips) || twips == 0) return u"0";
  char buffer[32];
  // std::to_chars without a precision gives the shortest text that reads back exactly.
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, twips);
  return FromUtf8(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

void WriteExitSettings(const ExitState& state) {
  namespace k = settings_key;
  auto store = [](TextView key, TextView value) { StoreSetting(kSystemSection, key, value); };

  store(k::kLocalId, TrimBlanks(state.CityId));
  store(k::kCurrentX, TwipsText(state.Left));
  store(k::kCurrentY, TwipsText(state.Top));
  store(k::kHide, state.Visible ? u"0" : u"1");
  store(k::kMulti, DecimalText(state.ShowSeveralCities));
  store(k::kShowIndex, Flag(state.ViewMode == kIndexView));
  store(k::kLock, Flag(state.LockChecked));
  store(k::kTop, Flag(state.TopChecked));
  store(k::kTrans, Flag(state.TransChecked));
  store(k::kDesk, Flag(state.DeskChecked));
  if (state.CheckedBackground) store(k::kBackGround, DecimalText(*state.CheckedBackground));

  std::vector<Text> colours;
  for (const int c : state.TextColours) colours.push_back(DecimalText(c));
  store(k::kMyColor, Join(colours, u";"));
  store(k::kMyFont, FontText(state.NormalFont) + u";" + FontText(state.TemperatureFont));

  const SettingsSnapshot before = SettingsSnapshot::Load();
  const int old = CityPositionLimit(LeadingNumber(before.Read(kCitySection, k::kCount)));
  const auto& cities = state.WatchedCities;
  const int n =
      static_cast<int>(cities.size() < kMaxCityPosition ? cities.size() : kMaxCityPosition);
  StoreSetting(kCitySection, k::kCount, DecimalText(n));
  for (int position = 1; position <= n; ++position) {
    const WatchedCity& city = cities[static_cast<std::size_t>(position - 1)];
    StoreSetting(kCitySection, DecimalText(position),
                 city.Name + u";" + city.Id + u";" + Flag(city.Shown));
  }
  // Entries beyond the new end go; removing one that is not there would write nothing.
  for (int position = n + 1; position <= old; ++position) {
    if (before.Has(kCitySection, DecimalText(position))) {
      WriteSetting(kCitySection, DecimalText(position), std::nullopt);
    }
  }
}

void WriteOptionSetting(TextView key, TextView value) {
  namespace k = settings_key;
  const Text upper = UpperCase(key);
  for (const TextView direct :
       {TextView(k::kSave), TextView(k::kFront), TextView(k::kMulti), TextView(k::kTrayCpu)}) {
    if (upper == UpperCase(direct)) {
      WriteSetting(kSystemSection, key, Text(value));
      return;
    }
  }
  StoreSetting(kSystemSection, key, value);
}

}  // namespace nimbulux
