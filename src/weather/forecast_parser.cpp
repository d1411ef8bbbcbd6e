#include "weather/forecast_parser.h"

#include <utility>

namespace nimbulux {

namespace {

// Where the cleaned page holds each field: the contract with the portal's page layout.
constexpr std::size_t kNightMarkLine = 20;
constexpr std::size_t kNightImageLine = 21;
constexpr std::size_t kDayImageLine = 22;      // and 23: today's day and night pictures
constexpr std::size_t kDayWeatherLine = 24;    // and 25: by day, by night
constexpr std::size_t kDayHighLine = 26;       // and 27: the low
constexpr std::size_t kDayWindLine = 28;       // 28, 29: directions; 30, 31: forces
constexpr std::size_t kNightWeatherLine = 22;  // 23: low; 24: wind direction; 25: force
constexpr std::size_t kFirstDayRecord = 26;    // + dayShift + 13 d
constexpr std::size_t kDayRecordStride = 13;
constexpr std::size_t kIndexLine = 114;  // - dayShift - dayExtra + 2 i
constexpr std::size_t kSecondIndexOffset = 8;
constexpr std::size_t kHeaderLine = 7;  // 7..10; 8 holds sunrise | sunset
constexpr std::size_t kSunLine = 8;
constexpr std::size_t kIndexSectionLines = 52;  // fewer: the page has no index section
constexpr std::size_t kFullPageLines = 102;

class Lines {
 public:
  explicit Lines(const std::vector<Text>& lines) : lines_(lines) {}
  const Text* operator()(std::size_t n) const { return n < lines_.size() ? &lines_[n] : nullptr; }

 private:
  const std::vector<Text>& lines_;
};

// "温 12℃" -> "12"; TextBetween cuts its source, so it works on a copy.
Text Temperature(const Text& line) {
  Text copy = line;
  return TextBetween(copy, u"温", u"℃");
}

// An index line in short form: the first two characters of its name, "：" and the value
// from the first "：" up to the next blank.
Text ShortIndex(const Text& line) {
  Text copy = line;
  return Left(line, 2) + u"：" + TextBetween(copy, u"：", u" ");
}

enum class WindHalf { Day, Night };

// Day and night wind, each direction and force. When both halves agree (compared as
// direction and force joined) one text, that of the half `whenEqual` names: today's
// wind takes the night's, the day table the day's.
Text WindText(const Text& dayDirection, const Text& nightDirection, const Text& dayForce,
              const Text& nightForce, WindHalf whenEqual) {
  const Text day = ShortDirection(dayDirection) + dayForce;
  const Text night = ShortDirection(nightDirection) + nightForce;
  if (nightDirection + nightForce == dayDirection + dayForce) {
    return whenEqual == WindHalf::Night ? night : day;
  }
  return day + u"转" + night;
}

Text LessGreater(TextView text) {
  return ReplaceAll(ReplaceAll(text, u"大于", u">"), u"小于", u"<");
}

// A temperature line of the day table from its fourth character on, without "℃".
Text TableTemperature(const Text* line) {
  if (!line) return {};
  return ReplaceAll(Mid(*line, 4), u"℃", u"");
}

}  // namespace

Text WeatherPair(TextView a, TextView b) {
  if (a == b) return Text(a);
  return Text(a) + u"转" + Text(b);
}

Text ShortDirection(TextView direction) { return ReplaceAll(direction, u"风", u""); }

ForecastLines ParseForecastText(WeatherModule& module, const ForecastOptions& options,
                                const SummaryFetcher& fetchSummary, ForecastView& view) {
  ForecastLines lines;
  {
    const std::vector<Text> blocks = Split(module.PendingForecastText, u"FutWeather");
    if (!blocks.empty()) lines.MainLines = Split(blocks[0], u"\n");
    if (blocks.size() > 1) lines.RowLines = Split(blocks[1], u"\n");
    module.PendingForecastText.clear();  // every text is parsed once
    if (!blocks.empty()) module.ForecastPageReceived = lines.MainLines.size() >= kFullPageLines;
  }
  const Lines M(lines.MainLines);
  auto& today = module.State.TodayForecast;
  auto& extra = module.State.ExtraLines;

  // Line 20 tells day from night; without it the rest reads as at night.
  std::size_t dayShift = 0;
  std::size_t dayExtra = 0;
  if (const Text* mark = M(kNightMarkLine)) {
    if (*mark != u"夜间" && *mark != u"晚上") {
      dayShift = 6;
      dayExtra = 1;
    }
  }
  const bool byDay = dayShift != 0;

  if (byDay) {
    if (M(kDayWeatherLine) && M(kDayWeatherLine + 1)) {
      today[0] = WeatherPair(*M(kDayWeatherLine), *M(kDayWeatherLine + 1));
    }
    if (M(kDayHighLine)) today[1] = Temperature(*M(kDayHighLine));
    if (M(kDayHighLine + 1)) today[2] = Temperature(*M(kDayHighLine + 1));
    if (M(kDayWindLine) && M(kDayWindLine + 1) && M(kDayWindLine + 2) && M(kDayWindLine + 3)) {
      today[3] = WindText(*M(kDayWindLine), *M(kDayWindLine + 1), *M(kDayWindLine + 2),
                          *M(kDayWindLine + 3), WindHalf::Night);
    }
  } else {
    if (M(kNightWeatherLine)) today[0] = *M(kNightWeatherLine);
    if (M(kNightWeatherLine + 1)) today[2] = Temperature(*M(kNightWeatherLine + 1));
    if (M(kNightWeatherLine + 2) && M(kNightWeatherLine + 3)) {
      today[3] =
          u"(" + ShortDirection(*M(kNightWeatherLine + 2)) + *M(kNightWeatherLine + 3) + u") ";
    }
  }

  if (lines.MainLines.size() >= kIndexSectionLines) {
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t k = kIndexLine - dayShift - dayExtra + 2 * i;
      if (M(k)) extra[i] = ShortIndex(*M(k));
      if (M(k + kSecondIndexOffset)) extra[11 + 2 * i] = ShortIndex(*M(k + kSecondIndexOffset));
      extra[6 + i] = *M(kHeaderLine + i);
    }
    const std::vector<Text> sun = Split(*M(kSunLine), u"|");
    if (sun.size() > 0) extra[4] = TrimBlanks(sun[0]);
    if (sun.size() > 1) extra[5] = TrimBlanks(sun[1]);
  }

  if (byDay) {
    for (std::size_t i = 0; i < 2; ++i) {
      if (const Text* images = M(kDayImageLine + i)) {
        if (auto name = ImageSourceName(*images, 1)) view.TodayPictures[i].ShowIcon(*name);
      }
    }
  } else if (const Text* images = M(kNightImageLine)) {
    if (auto name = ImageSourceName(*images, 1)) view.TodayPictures[0].ShowIcon(*name);
  }

  if (today[0].empty()) {
    // No forecast for today in the first block: take the first day of the table.
    const Lines R(lines.RowLines);
    if (R(3)) today[0] = *R(3);
    if (R(6)) today[3] = LessGreater(*R(6));
    const Text t0 = TableTemperature(R(4));
    const Text t1 = TableTemperature(R(5));
    const double n0 = LeadingNumber(t0);
    const double n1 = LeadingNumber(t1);
    today[1] = n1 < n0 ? t0 : t1;
    today[2] = n1 > n0 ? t0 : t1;
    if (const Text* images = R(2)) {
      for (std::size_t i = 0; i < 2; ++i) {
        if (auto name = ImageSourceName(*images, i + 1)) {
          view.TodayPictures[i].ShowIcon(SizedIconName(*name, options.SaveIcons));
        }
      }
    }
  } else {
    // Rebuild the table from the first block, so that the row reads one layout.
    std::vector<Text> rows(lines.MainLines.size());
    auto set = [&rows](std::size_t n, Text value) {
      if (n < rows.size()) rows[n] = std::move(value);
    };
    for (std::size_t d = 0; d < 5; ++d) {
      const std::size_t b = dayShift + kDayRecordStride * d + kFirstDayRecord;
      const std::size_t r = 6 * d;
      if (M(b)) set(r + 1, *M(b));
      if (M(b + 3) && M(b + 4)) set(r + 2, *M(b + 3) + u" " + *M(b + 4));
      if (M(b + 5) && M(b + 6)) set(r + 3, WeatherPair(*M(b + 5), *M(b + 6)));
      if (M(b + 7)) set(r + 4, u" " + *M(b + 7));
      if (M(b + 8)) set(r + 5, u" " + *M(b + 8));
      if (M(b + 9) && M(b + 10) && M(b + 11) && M(b + 12)) {
        set(r + 6, WindText(*M(b + 9), *M(b + 10), *M(b + 11), *M(b + 12), WindHalf::Day));
      }
    }
    lines.RowLines = std::move(rows);
  }

  view.WindTooltip = today[3];
  FillForecastRow(lines.RowLines, lines.MainLines.size(), options, fetchSummary, view);
  return lines;
}

}  // namespace nimbulux
