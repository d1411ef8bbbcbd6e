#include "pages/forecast_page.h"

#include <cstdio>

namespace nimbulux::portal_server {

namespace {

// The page is written line by line: each line of the body carries exactly one item of
// the plain text that remains once tags are gone, so the widget's line numbers hold.
class Page {
 public:
  void Line(const std::string& html) { out_ += html + "\n"; }
  void Raw(const std::string& html) { out_ += html; }
  // Lines that hold only markup; they vanish from the cleaned text.
  void Markup(const std::string& html) { Line(html); }
  // Continues the last line instead of starting a new one.
  void Glue() {
    if (!out_.empty() && out_.back() == '\n') out_.pop_back();
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

std::string Two(int v) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", v);
  return buffer;
}

std::string Image(const std::string& icon, const std::string& alt) {
  return "<img src=\"/m/i/icon_weather/29x20/" + icon + ".gif\" alt=\"" + alt +
         "\" width=\"29\" height=\"20\" />";
}

std::string Degrees(int v) { return std::to_string(v) + "℃"; }

// A line whose value is unknown must stay a line, or every later line number moves:
// the ideographic space survives the cleaning, reads as a value of its own that shows
// nothing, and no reader trims it.
std::string Item(const std::string& text) { return text.empty() ? "\u3000" : text; }

std::string Number(bool known, int v) { return known ? std::to_string(v) : ""; }

std::string HighLine(const DayForecast& f) {
  return "<p class=\"tem\">高温 <span>" + Number(f.hasHigh, f.high) + "</span>℃</p>";
}
std::string LowLine(const DayForecast& f) {
  return "<p class=\"tem\">低温 <span>" + Number(f.hasLow, f.low) + "</span>℃</p>";
}

// An image line names no source when the picture is unknown, so no picture is read.
std::string ImageOrNone(const std::string& icon, const std::string& alt) {
  return icon.empty() ? "<img alt=\"\" width=\"29\" height=\"20\" />" : Image(icon, alt);
}

std::string DateText(const PortalTime& t) {
  return std::to_string(t.year) + "年" + std::to_string(t.month) + "月" + std::to_string(t.day) +
         "日";
}

void Head(Page& page, const ForecastPageInput& in) {
  const City& city = in.city;
  page.Line(
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">");
  page.Line("<html xmlns=\"http://www.w3.org/1999/xhtml\">");
  page.Line("<head>");
  page.Line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />");
  page.Line("<title>" + city.name + "天气预报 - 一周天气预报 - " + std::string(kPortalName) +
            "</title>");
  page.Line("<meta name=\"keywords\" content=\"" + city.name + "天气预报," + city.pinyin +
            ",一周天气,生活指数\" />");
  page.Line("<style type=\"text/css\">");
  for (int i = 0; i < 120; ++i) {
    page.Line(".box" + std::to_string(i) + " { margin: " + std::to_string(i % 7) +
              "px auto; padding: 0 " + std::to_string(i % 5) +
              "px; font: 12px/1.5 \"宋体\", Arial; color: #" + Two(i % 100) + "3366; }");
  }
  page.Line("</style>");
  // The portal ships its city tables inline; the widget never reads them.
  page.Line("<script type=\"text/javascript\">");
  page.Line("var cityData = {");
  for (const City& c : Cities()) {
    if (!c.major) continue;
    for (int d = 0; d < 7; ++d) {
      const std::optional<DayForecast> other = in.otherCity ? in.otherCity(c, d) : std::nullopt;
      if (!other) continue;
      const DayForecast& f = *other;
      page.Line("  \"" + c.code + "_" + std::to_string(d) + "\": {name: \"" + c.name +
                "\", py: \"" + c.pinyin + "\", w1: \"" + f.dayWeather + "\", w2: \"" +
                f.nightWeather + "\", t1: " + std::to_string(f.high) +
                ", t2: " + std::to_string(f.low) + ", i1: \"" + f.dayIcon + "\", i2: \"" +
                f.nightIcon + "\"},");
    }
  }
  page.Line("};");
  page.Line(
      "function showCity(id) { var c = cityData[id]; if (!c) return; "
      "document.title = c.name; }");
  page.Line("</script>");
  page.Line("</head>");
  page.Line("<body>");
  page.Line("<div class=\"header\"><a href=\"/\"><img src=\"/m/logo.gif\" alt=\"" +
            std::string(kPortalName) +
            "\" /></a>"
            "</div>");
}

void DateSection(Page& page, const PortalTime& time, const std::vector<std::string>& notes) {
  page.Raw("<div class=\"topSj\">");
  page.Line("<div class=\"today\"><p>今天是 " + DateText(time) + " " + WeekdayName(time) + " 第" +
            std::to_string(DayOfYear(time)) + "天</p>");
  for (std::size_t i = 0; i < notes.size(); ++i) {
    page.Line("<a href=\"/notes/" + std::to_string(i) + ".shtml\">" + notes[i] + "</a>");
  }
  page.Line("</div>");
}

void SideSections(Page& page, const City& city) {
  page.Raw("<div class=\"weatherwapper\">");
  page.Line("<div class=\"search\"><form action=\"/search/\" method=\"get\">");
  page.Line("<input type=\"text\" name=\"q\" value=\"输入城市名\" />");
  page.Line("<select name=\"region\">");
  for (const std::string& region : Regions()) {
    page.Line("<option value=\"" + region + "\">" + region + "</option>");
  }
  page.Line("</select></form></div>");
  page.Raw("<div class=\"weatherwapper\">");
  page.Line("<ul class=\"nav\">");
  for (const City& c : Cities()) {
    page.Line("<li><a href=\"/html/weather/" + c.code + ".shtml\">" + c.name + "</a></li>");
  }
  page.Line("</ul>");
  page.Raw("<div class=\"weatherwapper\">");
  page.Line("<div class=\"crumb\"><a href=\"/\">首页</a> &gt; <a href=\"/" + city.pinyin + "/\">" +
            city.name + "</a></div>");
}

// The ten lines of one day: the two pictures, the two weather texts, high, low, the two
// wind directions and the two wind forces.
void DayAndNightLines(Page& page, const DayForecast& f) {
  page.Line("<p class=\"img\">" + ImageOrNone(f.dayIcon, f.dayWeather) + "</p>");
  page.Line("<p class=\"img\">" + ImageOrNone(f.nightIcon, f.nightWeather) + "</p>");
  page.Line("<p class=\"wea\">" + Item(f.dayWeather) + "</p>");
  page.Line("<p class=\"wea\">" + Item(f.nightWeather) + "</p>");
  page.Line(HighLine(f));
  page.Line(LowLine(f));
  page.Line("<p class=\"win\">" + Item(f.dayWindDirection) + "</p>");
  page.Line("<p class=\"win\">" + Item(f.nightWindDirection) + "</p>");
  page.Line("<p class=\"win\">" + Item(f.dayWindForce) + "</p>");
  page.Line("<p class=\"win\">" + Item(f.nightWindForce) + "</p>");
}

void TodayByDay(Page& page, const CityWeather& w) {
  page.Line("<div class=\"todayT\">今天白天</div>");
  DayAndNightLines(page, w.days[0]);
}

void TonightOnly(Page& page, const CityWeather& w) {
  const DayForecast& f = w.days[0];
  page.Line("<p class=\"img\">" + ImageOrNone(f.nightIcon, f.nightWeather) + "</p>");
  page.Line("<p class=\"wea\">" + Item(f.nightWeather) + "</p>");
  page.Line(LowLine(f));
  page.Line("<p class=\"win\">" + Item(f.nightWindDirection) + "</p>");
  page.Line("<p class=\"win\">" + Item(f.nightWindForce) + "</p>");
}

// Thirteen lines per day: weekday, date, a caption, the two pictures, the two weather
// texts, high, low, the two wind directions and the two wind forces.
void DayRecords(Page& page, const CityWeather& w) {
  for (int d = 0; d < 5; ++d) {
    const DayForecast& f = w.days[static_cast<std::size_t>(d)];
    page.Markup("<div class=\"day\">");
    page.Line("<h3>" + WeekdayName(f.date) + "</h3>");
    page.Line("<p class=\"date\">" + std::to_string(f.date.month) + "月" +
              std::to_string(f.date.day) + "日</p>");
    page.Line("<p class=\"cap\">白天&nbsp;|&nbsp;夜间</p>");
    DayAndNightLines(page, f);
    page.Markup("</div>");
  }
}

void Filler(Page& page, const std::string& prefix, int count) {
  for (int i = 1; i <= count; ++i) {
    page.Line("<p class=\"links\"><a href=\"/more/" + std::to_string(i) + ".shtml\">" + prefix +
              std::to_string(i) + "</a></p>");
  }
}

// The heading of the 4-7 day outlook, the block of surrounding areas and the heading of
// the living indices: all of it drops out of the cleaned text. It continues the line
// before it and ends without a line break, so it leaves no line behind.
void SurroundingAreas(Page& page, const ForecastPageInput& in) {
  page.Glue();
  std::string block = "<h2>未来4-7天天气预报 <span>(" + DateText(in.time) + "发布)</span></h2>";
  block += "<h2>周边地区</h2><ul class=\"around\">";
  for (const City& c : Cities()) {
    if (c.region != in.city.region || c.code == in.city.code) continue;
    const std::optional<DayForecast> f = in.otherCity ? in.otherCity(c, 0) : std::nullopt;
    const std::string weather =
        f ? " " + Image(f->dayIcon, f->dayWeather) + " " + Degrees(f->high) + "/" + Degrees(f->low)
          : "";
    block +=
        "<li><a href=\"/html/weather/" + c.code + ".shtml\">" + c.name + "</a>" + weather + "</li>";
  }
  block += "</ul><h2>生活指数</h2>";
  page.Raw(block);
}

// Each index line starts a new line; the last one ends without a line break, so that
// the forecast division continues it.
void IndexLines(Page& page, const std::vector<IndexLine>& indices, std::size_t first,
                const std::string& more) {
  for (std::size_t i = first; i < first + 4 && i < indices.size(); ++i) {
    const IndexLine& x = indices[i];
    page.Raw("\n<dl><dt>" + x.name + "：" + x.value + "</dt> <dd>" + x.advice + "</dd></dl>");
    page.Raw("\n<p class=\"more\"><a href=\"/zs/" + std::to_string(i) + ".shtml\">" + more +
             std::to_string(i + 1) + "</a></p>");
  }
}

void CitySelect(Page& page, const std::string& name) {
  page.Markup("<select name=\"" + name + "\" onchange=\"showCity(this.value)\">");
  for (const City& c : Cities()) {
    page.Markup("<option value=\"" + c.code + "\">" + c.name + " " + c.pinyin + "</option>");
  }
  page.Markup("</select>");
}

// The five days again, as the division with id dd_0 and its sisters hold them: six
// lines per day (weekday, both pictures, weather, high, low, wind).
void FutureDays(Page& page, const CityWeather& w) {
  for (int d = 0; d < 5; ++d) {
    const DayForecast& f = w.days[static_cast<std::size_t>(d)];
    page.Line("<div class=\"fut_weather\" id=\"dd_" + std::to_string(d) + "\">");
    page.Line("<h3>" + WeekdayName(f.date) + "</h3>");
    page.Line("<p>" + ImageOrNone(f.dayIcon, f.dayWeather) +
              ImageOrNone(f.nightIcon, f.nightWeather) + "</p>");
    page.Line(
        "<p>" +
        Item(f.dayWeather == f.nightWeather ? f.dayWeather : f.dayWeather + "转" + f.nightWeather) +
        "</p>");
    page.Line("<p>高温：" + Number(f.hasHigh, f.high) + "℃</p>");
    page.Line("<p>低温：" + Number(f.hasLow, f.low) + "℃</p>");
    const std::string day = f.dayWindDirection + f.dayWindForce;
    const std::string night = f.nightWindDirection + f.nightWindForce;
    page.Line("<p>" + Item(day == night ? day : day + "转" + night) + "</p>");
    page.Markup("</div>");
  }
}

// The national table under the forecast: every city for the coming week, with pictures.
void NationalTable(Page& page, const ForecastPageInput& in) {
  page.Line("<h2>全国主要城市一周天气</h2>");
  page.Markup("<table class=\"national\">");
  for (const City& c : Cities()) {
    if (!c.major) continue;
    for (int d = 0; d < 7; ++d) {
      const std::optional<DayForecast> other = in.otherCity ? in.otherCity(c, d) : std::nullopt;
      if (!other) continue;
      const DayForecast& f = *other;
      page.Line("<tr><td><a href=\"/html/weather/" + c.code + ".shtml\">" + c.name +
                "</a></td><td>" + std::to_string(f.date.month) + "/" + std::to_string(f.date.day) +
                "</td><td>" + Image(f.dayIcon, f.dayWeather) + "</td><td>" + f.dayWeather +
                "</td><td>" + Degrees(f.high) + "&nbsp;/&nbsp;" + Degrees(f.low) + "</td></tr>");
    }
  }
  page.Markup("</table>");
}

}  // namespace

std::string ForecastPageHtml(const ForecastPageInput& in) {
  const City& city = in.city;
  const PortalTime& time = in.time;
  const CityWeather& w = in.weather;
  const bool night = in.night;
  Page page;
  Head(page, in);
  DateSection(page, time, in.dateNotes);
  SideSections(page, city);

  page.Raw("<div class=\"weatherwapper\">");
  // Lines 0 to 6: the tabs of the forecast box.
  for (const char* tab :
       {"首页", "天气预报", "天气实况", "生活指数", "空气质量", "预警信息", "旅游天气"}) {
    page.Line(std::string("<span class=\"tab\"><a href=\"#\">") + tab + "</a></span>");
  }
  // Lines 7 to 10: the overview that the index view shows; line 8 holds sunrise | sunset.
  const DayForecast& today = w.days[0];
  page.Line("<h1>" + city.name + " " + DateText(time) + "</h1>");
  page.Line("<p class=\"sun\">日出 " + w.sunrise + " | 日落 " + w.sunset + "</p>");
  page.Line("<p>气温 " + Number(today.hasLow, today.low) + "℃～" +
            Number(today.hasHigh, today.high) + "℃</p>");
  const bool windKnown = !today.dayWindDirection.empty() || !today.dayWindForce.empty();
  page.Line("<p>" + Item(windKnown ? today.dayWindDirection + " " + today.dayWindForce : "") +
            "</p>");
  // Lines 11 to 19.
  Filler(page, "天气资讯", 9);
  CitySelect(page, "city");
  // Line 20: the day part the forecast box shows.
  page.Line(std::string("<div class=\"part\">") + (night ? in.nightWord : "白天") + "</div>");
  if (night) {
    TonightOnly(page, w);  // lines 21 to 25
  } else {
    TodayByDay(page, w);  // lines 21 to 31
  }
  DayRecords(page, w);  // 13 lines per day from line 26 (night) or 32 (day)
  CitySelect(page, "city2");
  // Up to line 106 (day) or 113 (night), then the index lines.
  Filler(page, "天气新闻", night ? 23 : 10);
  // From here to the forecast division no line break may follow the last line: an empty
  // last line would be read as one more index line. Absent indices leave no line.
  SurroundingAreas(page, in);
  const std::vector<IndexLine>& indices = night ? w.nightIndices : w.dayIndices;
  IndexLines(page, indices, 0, "指数详情");
  IndexLines(page, indices, 4, "更多指数");

  FutureDays(page, w);
  NationalTable(page, in);
  page.Line("<script type=\"text/javascript\">");
  page.Line("var pageCity = \"" + city.code + "\";");
  page.Line("showCity(pageCity + \"_0\");");
  page.Line("</script>");

  page.Raw("<div class=\"weatherwapper\">");
  page.Line(
      "<div class=\"footer\"><a href=\"/about/\">关于我们</a> | <a href=\"/contact/\">"
      "联系我们</a></div>");
  if (!in.credit.empty()) page.Line("<p class=\"credit\">" + in.credit + "</p>");
  page.Line("</body>");
  page.Line("</html>");
  return page.Take();
}

}  // namespace nimbulux::portal_server
