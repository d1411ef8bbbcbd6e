// The row of five slots under the current conditions: the next five days of the current
// city, or up to five watched cities. What the forecast shows is collected in a
// ForecastView value; the widget maps it onto its pictures and labels.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "core/setting_defaults.h"
#include "core/text.h"
#include "net/picture_decoding.h"
#include "weather/watched_city.h"

namespace nimbulux {

// What one picture of the forecast shows.
enum class PictureKind {
  None,  // no picture
  Wait,  // the placeholder shown while the forecast is fetched
  Icon,  // IconName as given to IconCache (keepFullName false)
};

struct ForecastPicture {
  bool Visible = true;
  PictureKind Kind = PictureKind::None;
  Text IconName;                 // the name given to IconCache when Kind is Icon
  std::optional<Picture> Image;  // the decoded picture, once loaded
  Text Tag;                      // the text the renderer draws beside the picture
  Text Tooltip;

  void ShowNone();
  void ShowWait(const std::optional<Picture>& waitPicture);
  // An empty name gives no picture, as IconCache does.
  void ShowIcon(TextView name);
};

// Everything the forecast shows: pictures, their texts and two tooltips.
struct ForecastView {
  std::array<ForecastPicture, 2> TodayPictures;  // the two large pictures of today
  std::array<ForecastPicture, 5> RowUpper;       // upper pictures of the row
  std::array<ForecastPicture, 5> RowLower;       // lower pictures of the row
  Text WindTooltip;                              // today's wind
  Text NotesTooltip;                             // the page notes
};

// The widget's options that the forecast reads.
struct ForecastOptions {
  int ViewMode = kDefaultViewMode;  // 2: the index takes the last two columns; 4: five columns
  int ShowSeveralCities = 0;        // above 0: the row shows watched cities
  int SaveIcons = 0;                // exactly 1: the 42x30 icon set, else 21x15
  WatchedCityList WatchedCities;
};

// Gives the city summary text for a city code (empty when it cannot be had).
using SummaryFetcher = std::function<Text(TextView cityId)>;

// Fills the row from the per-day table rowLines (six lines per day from line 1) or, in
// several-cities mode, from the summaries of the shown watched cities. mainLineCount is
// the number of lines of the page's first block: a page without the index section (51
// lines or fewer) shows all five slots. Pictures are set by name; LoadPictures decodes.
void FillForecastRow(const std::vector<Text>& rowLines, std::size_t mainLineCount,
                     const ForecastOptions& options, const SummaryFetcher& fetchSummary,
                     ForecastView& view);

// One day of the five-day row from rowLines.
void FillDaySlot(const std::vector<Text>& rowLines, int day, int saveIcons, ForecastPicture& upper,
                 ForecastPicture& lower);

// One slot of the several-cities row from a city summary.
void FillCitySlot(TextView summary, int saveIcons, ForecastPicture& upper, ForecastPicture& lower);

// The icon path for a summary's icon file name ("d1.gif" -> "/m/i/icon_weather/21x15/d01").
Text SummaryIconPath(TextView fileName, int saveIcons);

// The picture name in piece `piece` of an image line split at "src" (the text between
// "=" and ".gif"); none when the line has no such piece.
std::optional<Text> ImageSourceName(TextView imageLine, std::size_t piece);

// The small icon set replaces the large one unless saveIcons is exactly 1.
Text SizedIconName(TextView name, int saveIcons);

// Numbers as the row writes them: shortest decimal form (15, -3, 2.5).
Text ShortestNumberText(double value);

// Gives every box of kind Icon its picture through loadIcon and every Wait box the
// placeholder picture; None boxes get no picture.
void LoadPictures(ForecastView& view, const std::optional<Picture>& waitPicture,
                  const std::function<std::optional<Picture>(TextView)>& loadIcon);

}  // namespace nimbulux
