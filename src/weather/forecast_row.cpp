#include "weather/forecast_row.h"

#include <charconv>
#include <cmath>

#include "net/portal.h"

namespace nimbulux {

namespace {

const Text* LineAt(const std::vector<Text>& lines, std::size_t n) {
  return n < lines.size() ? &lines[n] : nullptr;
}

// Part n of a text split at ":"; none when it has fewer parts.
std::optional<Text> Part(TextView piece, std::size_t n) {
  std::vector<Text> parts = Split(piece, u":");
  if (n >= parts.size()) return std::nullopt;
  return std::move(parts[n]);
}

}  // namespace

void ForecastPicture::ShowNone() {
  Kind = PictureKind::None;
  IconName.clear();
  Image.reset();
}

void ForecastPicture::ShowWait(const std::optional<Picture>& waitPicture) {
  Kind = PictureKind::Wait;
  IconName.clear();
  Image = waitPicture;
}

void ForecastPicture::ShowIcon(TextView name) {
  if (name.empty()) {
    ShowNone();
    return;
  }
  Kind = PictureKind::Icon;
  IconName = Text(name);
  Image.reset();
}

std::optional<Text> ImageSourceName(TextView imageLine, std::size_t piece) {
  std::vector<Text> pieces = Split(imageLine, u"src");
  if (piece >= pieces.size()) return std::nullopt;
  return TextBetween(pieces[piece], u"=", u".gif");
}

Text SizedIconName(TextView name, int saveIcons) {
  if (saveIcons == 1) return Text(name);
  return ReplaceAll(name, u"42x30", u"21x15");
}

Text ShortestNumberText(double value) {
  if (value == 0) value = 0;  // no "-0"
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return FromUtf8(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

Text SummaryIconPath(TextView fileName, int saveIcons) {
  Text name(fileName);
  // A one-digit code ("d1.gif") gets its second digit.
  if (name.size() <= 6) name = Left(name, 1) + u"0" + Mid(name, 2);
  Text path = Text(portal::kIconPathPrefix) + (saveIcons == 1 ? u"42x30/" : u"21x15/") + name;
  return ReplaceAll(path, u".gif", u"");
}

void FillDaySlot(const std::vector<Text>& rowLines, int day, int saveIcons, ForecastPicture& upper,
                 ForecastPicture& lower) {
  const std::size_t base = 6 * static_cast<std::size_t>(day);
  if (const Text* weekday = LineAt(rowLines, base + 1)) {
    upper.Tag = ReplaceAll(*weekday, u"星期", u"");
  }
  if (const Text* images = LineAt(rowLines, base + 2)) {
    if (auto name = ImageSourceName(*images, 1)) upper.ShowIcon(SizedIconName(*name, saveIcons));
    if (auto name = ImageSourceName(*images, 2)) lower.ShowIcon(SizedIconName(*name, saveIcons));
  }
  const Text* weather = LineAt(rowLines, base + 3);
  const Text* wind = LineAt(rowLines, base + 6);
  if (weather && wind) {
    Text tip = *weather + u" (" + *wind + u")";
    tip = ReplaceAll(tip, u"大于", u">");
    upper.Tooltip = ReplaceAll(tip, u"小于", u"<");
  }
  lower.Tooltip = upper.Tooltip;
  const Text* first = LineAt(rowLines, base + 4);
  const Text* second = LineAt(rowLines, base + 5);
  if (first && second) {
    lower.Tag =
        ReplaceAll(TrimBlanks(Mid(*first, 4)) + u"/" + TrimBlanks(Mid(*second, 4)), u"℃", u"");
  }
}

void FillCitySlot(TextView summary, int saveIcons, ForecastPicture& upper, ForecastPicture& lower) {
  const std::vector<Text> pieces = Split(ReplaceAll(summary, u"\"", u""), u",");
  if (pieces.size() < 8) return;
  if (auto name = Part(pieces[0], 2)) upper.Tag = Left(*name, 4);
  if (auto weather = Part(pieces[4], 1)) {
    upper.Tooltip = *weather;
    lower.Tooltip = *weather;
  }
  if (auto file = Part(pieces[5], 1)) upper.ShowIcon(SummaryIconPath(*file, saveIcons));
  if (auto file = Part(pieces[6], 1)) lower.ShowIcon(SummaryIconPath(*file, saveIcons));
  const auto high = Part(pieces[2], 1);
  const auto low = Part(pieces[3], 1);
  if (high && low) {
    const double a = LeadingNumber(*high);
    const double b = LeadingNumber(*low);
    lower.Tag = b < a ? ShortestNumberText(a) + u"/" + ShortestNumberText(b)
                      : ShortestNumberText(b) + u"/" + ShortestNumberText(a);
  }
}

void FillForecastRow(const std::vector<Text>& rowLines, std::size_t mainLineCount,
                     const ForecastOptions& options, const SummaryFetcher& fetchSummary,
                     ForecastView& view) {
  const WatchedCityList& cities = options.WatchedCities;
  std::size_t next = 0;  // the next watched city to look at
  for (int i = 0; i < 5; ++i) {
    ForecastPicture& upper = view.RowUpper[static_cast<std::size_t>(i)];
    ForecastPicture& lower = view.RowLower[static_cast<std::size_t>(i)];
    upper.Visible = i <= options.ViewMode || mainLineCount <= 51;
    lower.Visible = upper.Visible;

    if (options.ShowSeveralCities <= 0) {
      FillDaySlot(rowLines, i, options.SaveIcons, upper, lower);
      continue;
    }
    std::size_t j = next;
    while (j < cities.size() && !cities[j].Shown) ++j;
    if (j >= cities.size()) {
      next = cities.size();
      continue;
    }
    // A city whose summary fails still uses up its slot.
    if (fetchSummary) FillCitySlot(fetchSummary(cities[j].Id), options.SaveIcons, upper, lower);
    next = j + 1;
  }
}

void LoadPictures(ForecastView& view, const std::optional<Picture>& waitPicture,
                  const std::function<std::optional<Picture>(TextView)>& loadIcon) {
  auto load = [&](ForecastPicture& box) {
    switch (box.Kind) {
      case PictureKind::None:
        box.Image.reset();
        break;
      case PictureKind::Wait:
        box.Image = waitPicture;
        break;
      case PictureKind::Icon:
        box.Image = loadIcon ? loadIcon(box.IconName) : std::nullopt;
        break;
    }
  };
  for (ForecastPicture& box : view.TodayPictures) load(box);
  for (ForecastPicture& box : view.RowUpper) load(box);
  for (ForecastPicture& box : view.RowLower) load(box);
}

}  // namespace nimbulux
