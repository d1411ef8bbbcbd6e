#include "forecast_page.h"

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

std::string DateText(const PortalTime& t) {
  return std::to_string(t.year) + "年" + std::to_string(t.month) + "月" + std::to_string(t.day) +
         "日";
}

// A short seasonal note of two characters, the first note after the date line.
std::string SeasonNote(const PortalTime& t) {
  static const char* const kTerms[] = {"小寒", "立春", "惊蛰", "清明", "立夏", "芒种",
                                       "小暑", "立秋", "白露", "寒露", "立冬", "大雪"};
  return kTerms[(t.month + 11) % 12];
}

void Head(Page& page, const City& city, const PortalTime& time) {
  page.Line(
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">");
  page.Line("<html xmlns=\"http://www.w3.org/1999/xhtml\">");
  page.Line("<head>");
  page.Line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />");
  page.Line("<title>" + city.name + "天气预报 - 一周天气预报 - 中国天气</title>");
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
    for (int d = 0; d < 7; ++d) {
      const DayForecast f = ForecastFor(c, time, d);
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
  page.Line(
      "<div class=\"header\"><a href=\"/\"><img src=\"/m/logo.gif\" alt=\"中国天气\" /></a>"
      "</div>");
}

void DateSection(Page& page, const PortalTime& time) {
  page.Raw("<div class=\"topSj\">");
  page.Line("<div class=\"today\"><p>今天是 " + DateText(time) + " " + WeekdayName(time) + " 第" +
            std::to_string(DayOfYear(time)) + "天</p>");
  page.Line("<a href=\"/notes/term.shtml\">" + SeasonNote(time) + "</a>");
  page.Line("<a href=\"/air/index.shtml\">空气质量良</a>");
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

void TodayByDay(Page& page, const CityWeather& w) {
  const DayForecast& f = w.days[0];
  page.Line("<div class=\"todayT\">今天白天</div>");
  page.Line("<p class=\"img\">" + Image(f.dayIcon, f.dayWeather) + "</p>");
  page.Line("<p class=\"img\">" + Image(f.nightIcon, f.nightWeather) + "</p>");
  page.Line("<p class=\"wea\">" + f.dayWeather + "</p>");
  page.Line("<p class=\"wea\">" + f.nightWeather + "</p>");
  page.Line("<p class=\"tem\">高温 <span>" + std::to_string(f.high) + "</span>℃</p>");
  page.Line("<p class=\"tem\">低温 <span>" + std::to_string(f.low) + "</span>℃</p>");
  page.Line("<p class=\"win\">" + f.dayWindDirection + "</p>");
  page.Line("<p class=\"win\">" + f.nightWindDirection + "</p>");
  page.Line("<p class=\"win\">" + f.dayWindForce + "</p>");
  page.Line("<p class=\"win\">" + f.nightWindForce + "</p>");
}

void TonightOnly(Page& page, const CityWeather& w) {
  const DayForecast& f = w.days[0];
  page.Line("<p class=\"img\">" + Image(f.nightIcon, f.nightWeather) + "</p>");
  page.Line("<p class=\"wea\">" + f.nightWeather + "</p>");
  page.Line("<p class=\"tem\">低温 <span>" + std::to_string(f.low) + "</span>℃</p>");
  page.Line("<p class=\"win\">" + f.nightWindDirection + "</p>");
  page.Line("<p class=\"win\">" + f.nightWindForce + "</p>");
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
    page.Line("<p class=\"img\">" + Image(f.dayIcon, f.dayWeather) + "</p>");
    page.Line("<p class=\"img\">" + Image(f.nightIcon, f.nightWeather) + "</p>");
    page.Line("<p class=\"wea\">" + f.dayWeather + "</p>");
    page.Line("<p class=\"wea\">" + f.nightWeather + "</p>");
    page.Line("<p class=\"tem\">高温 <span>" + std::to_string(f.high) + "</span>℃</p>");
    page.Line("<p class=\"tem\">低温 <span>" + std::to_string(f.low) + "</span>℃</p>");
    page.Line("<p class=\"win\">" + f.dayWindDirection + "</p>");
    page.Line("<p class=\"win\">" + f.nightWindDirection + "</p>");
    page.Line("<p class=\"win\">" + f.dayWindForce + "</p>");
    page.Line("<p class=\"win\">" + f.nightWindForce + "</p>");
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
// the living indices: all of it drops out of the cleaned text.
void SurroundingAreas(Page& page, const City& city, const PortalTime& time) {
  page.Line("<h2>未来4-7天天气预报 <span>(" + DateText(time) + "发布)</span></h2>");
  page.Line("<h2>周边地区</h2>");
  page.Markup("<ul class=\"around\">");
  for (const City& c : Cities()) {
    if (c.region != city.region || c.code == city.code) continue;
    const DayForecast f = ForecastFor(c, time, 0);
    page.Line("<li><a href=\"/html/weather/" + c.code + ".shtml\">" + c.name + "</a> " +
              Image(f.dayIcon, f.dayWeather) + " " + Degrees(f.high) + "/" + Degrees(f.low) +
              "</li>");
  }
  page.Markup("</ul>");
  page.Line("<h2>生活指数</h2>");
}

void IndexLines(Page& page, const std::vector<IndexLine>& indices, std::size_t first,
                const std::string& more) {
  for (std::size_t i = first; i < first + 4 && i < indices.size(); ++i) {
    const IndexLine& x = indices[i];
    page.Line("<dl><dt>" + x.name + "：" + x.value + "</dt> <dd>" + x.advice + "</dd></dl>");
    page.Line("<p class=\"more\"><a href=\"/zs/" + std::to_string(i) + ".shtml\">" + more +
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
    page.Line("<p>" + Image(f.dayIcon, f.dayWeather) + Image(f.nightIcon, f.nightWeather) + "</p>");
    page.Line(
        "<p>" +
        (f.dayWeather == f.nightWeather ? f.dayWeather : f.dayWeather + "转" + f.nightWeather) +
        "</p>");
    page.Line("<p>高温：" + Degrees(f.high) + "</p>");
    page.Line("<p>低温：" + Degrees(f.low) + "</p>");
    const std::string day = f.dayWindDirection + f.dayWindForce;
    const std::string night = f.nightWindDirection + f.nightWindForce;
    page.Line("<p>" + (day == night ? day : day + "转" + night) + "</p>");
    page.Markup("</div>");
  }
}

// The national table under the forecast: every city for the coming week, with pictures.
void NationalTable(Page& page, const PortalTime& time) {
  page.Line("<h2>全国主要城市一周天气</h2>");
  page.Markup("<table class=\"national\">");
  for (const City& c : Cities()) {
    for (int d = 0; d < 7; ++d) {
      const DayForecast f = ForecastFor(c, time, d);
      page.Line("<tr><td><a href=\"/html/weather/" + c.code + ".shtml\">" + c.name +
                "</a></td><td>" + std::to_string(f.date.month) + "/" + std::to_string(f.date.day) +
                "</td><td>" + Image(f.dayIcon, f.dayWeather) + "</td><td>" + f.dayWeather +
                "</td><td>" + Degrees(f.high) + "&nbsp;/&nbsp;" + Degrees(f.low) + "</td></tr>");
    }
  }
  page.Markup("</table>");
}

}  // namespace

std::string ForecastPageHtml(const City& city, const PortalTime& time) {
  const CityWeather w = WeatherFor(city, time);
  // In the evening hours the page shows tonight only, in its night layout.
  const bool night = time.hour >= 18;
  Page page;
  Head(page, city, time);
  DateSection(page, time);
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
  page.Line("<p>气温 " + Degrees(today.low) + "～" + Degrees(today.high) + "</p>");
  page.Line("<p>" + today.dayWindDirection + " " + today.dayWindForce + "</p>");
  // Lines 11 to 19.
  Filler(page, "天气资讯", 9);
  CitySelect(page, "city");
  // Line 20: the day part the forecast box shows.
  page.Line(std::string("<div class=\"part\">") +
            (night ? (time.hour >= 21 ? "晚上" : "夜间") : "白天") + "</div>");
  if (night) {
    TonightOnly(page, w);  // lines 21 to 25
  } else {
    TodayByDay(page, w);  // lines 21 to 31
  }
  DayRecords(page, w);  // 13 lines per day from line 26 (night) or 32 (day)
  // Up to line 106 (day) or 113 (night), then the index lines.
  Filler(page, "天气新闻", night ? 23 : 10);
  SurroundingAreas(page, city, time);
  const std::vector<IndexLine>& indices = night ? w.nightIndices : w.dayIndices;
  IndexLines(page, indices, 0, "指数详情");
  IndexLines(page, indices, 4, "更多指数");
  CitySelect(page, "city2");

  FutureDays(page, w);
  NationalTable(page, time);
  page.Line("<script type=\"text/javascript\">");
  page.Line("var pageCity = \"" + city.code + "\";");
  page.Line("showCity(pageCity + \"_0\");");
  page.Line("</script>");

  page.Raw("<div class=\"weatherwapper\">");
  page.Line(
      "<div class=\"footer\"><a href=\"/about/\">关于我们</a> | <a href=\"/contact/\">"
      "联系我们</a></div>");
  page.Line("</body>");
  page.Line("</html>");
  return page.Take();
}

}  // namespace nimbulux::portal_server
