#include "widget/state_dump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace nimbulux {

namespace {

QString Json(TextView text) { return QString::fromStdU16String(std::u16string(text)); }

template <typename List>
QJsonArray Strings(const List& list) {
  QJsonArray out;
  for (const Text& t : list) out.append(Json(t));
  return out;
}

template <std::size_t N>
QJsonArray Pictures(const std::array<DumpedPicture, N>& pictures, bool withVisibility) {
  QJsonArray out;
  for (const DumpedPicture& p : pictures) {
    QJsonObject o{{"picture", Json(p.Picture)}, {"tooltip", Json(p.Tooltip)}};
    if (withVisibility) {
      o.insert("visible", p.Visible);
      o.insert("tag", Json(p.Tag));
    }
    out.append(o);
  }
  return out;
}

}  // namespace

std::string StateDumpJson(const StateDump& d) {
  const WeatherState& w = d.Weather;
  const QJsonObject weather{{"DateWords", Strings(w.DateWords)},
                            {"PageNotes", Strings(w.PageNotes)},
                            {"CityName", Json(w.CityName)},
                            {"NowTemperature", Json(w.NowTemperature)},
                            {"TodayForecast", Strings(w.TodayForecast)},
                            {"ExtraLines", Strings(w.ExtraLines)},
                            {"NowDetails", Strings(w.NowDetails)},
                            {"NowTimeText", Json(w.NowTimeText)}};
  QJsonArray texts;
  for (const PrintedText& t : d.Texts) {
    texts.append(QJsonObject{{"x", t.x},
                             {"y", t.y},
                             {"text", Json(t.text)},
                             {"colour", t.colour},
                             {"font", t.font == FontKind::Temperature ? "temperature" : "normal"}});
  }
  const QJsonObject window{
      {"left", d.LeftTwips}, {"top", d.TopTwips}, {"topmost", d.Topmost}, {"visible", d.Visible}};
  const QJsonObject dump{
      {"city", Json(d.City)},
      {"weather", weather},
      {"viewMode", d.ViewMode},
      {"normalView", d.NormalView},
      {"showSeveralCities", d.ShowSeveralCities},
      {"Image2", Pictures(d.Image2, false)},
      {"Image1", Pictures(d.Image1, true)},
      {"Image3", Pictures(d.Image3, true)},
      {"lbWind", Json(d.WindTooltip)},
      {"lbText", Json(d.BottomTooltip)},
      {"texts", texts},
      {"trayTooltip", Json(d.TrayTooltip)},
      {"windowIcon", QString::fromStdString(d.WindowIcon)},
      {"background", QString::fromStdString(d.Background)},
      {"trayIcon", QString::fromLatin1(QByteArray::fromStdString(d.TrayIconBytes).toHex())},
      {"trayValue", d.TrayValue},
      {"window", window}};
  return QJsonDocument(dump).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace nimbulux
