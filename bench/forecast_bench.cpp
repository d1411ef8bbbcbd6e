// Cleaning and parsing the forecast page: the portal's page, a megabyte dense with tags,
// and the literal search-from-the-start loops for comparison.
#include <benchmark/benchmark.h>

#include "demo/demo_pages.h"
#include "forecast_reference.h"
#include "pages/forecast_page.h"
#include "pages/gif_encoder.h"
#include "pages/portal_data.h"
#include "pages/portal_icons.h"
#include "server/page_compression.h"
#include "weather/forecast_cleaning.h"
#include "weather/forecast_parser.h"

namespace nimbulux {
namespace {

const Text& PortalPage() {
  static const Text page = T(portal_server::ForecastPageHtml(
      *portal_server::FindCityByCode("101010100"), portal_server::PortalTime{2026, 12, 7, 10}));
  return page;
}

// A page made of little but markup, the worst case for the span removals.
Text DensePage(std::size_t bytes) {
  static const char* const kPieces[] = {
      "<div class=\"a\"><span>x</span></div>\n",
      "<img src=\"/m/i/icon_weather/29x20/d01.gif\" alt=\"晴\" />&nbsp;",
      "<option value=\"1\">北京</option>",
      "<li><a href=\"/x.shtml\">y</a></li>\r\n",
      "<br />&gt;\t<b><i><u>z</u></i></b>  \n\n ",
  };
  std::string page;
  for (std::size_t i = 0; page.size() < bytes; ++i) page += kPieces[(i * 7 + i / 3) % 5];
  return T(page);
}

double Utf8Size(const Text& text) { return static_cast<double>(ToUtf8(text).size()); }

void CleanWhole(benchmark::State& state, const Text& page) {
  WeatherState weather;
  Text tooltip;
  for (auto _ : state) {
    Text copy = page;
    benchmark::DoNotOptimize(CleanForecastPage(copy, weather, tooltip));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Utf8Size(page)));
}

void BM_CleanPortalPage(benchmark::State& state) { CleanWhole(state, PortalPage()); }
BENCHMARK(BM_CleanPortalPage)->Unit(benchmark::kMillisecond);

void BM_CleanDensePage1MB(benchmark::State& state) {
  static const Text page = DensePage(1 << 20);
  CleanWhole(state, page);
}
BENCHMARK(BM_CleanDensePage1MB)->Unit(benchmark::kMillisecond);

// The span removals and repeated replacements alone, fast and literal, on one text.
template <bool kLiteral>
void SpanSteps(benchmark::State& state, const Text& page) {
  const std::pair<TextView, TextView> spans[] = {{u"未来4-7", u"</h2>"},
                                                 {u"<img", u"/>"},
                                                 {u"<option", u"/option>"},
                                                 {u"<", u">"},
                                                 {u"周边地区", u"生活指数"}};
  for (auto _ : state) {
    Text text = page;
    for (const auto& [start, end] : spans) {
      const bool keep = start == u"<img";
      if constexpr (kLiteral) {
        text = test::RemoveSpansLiteral(std::move(text), start, end, keep);
      } else {
        RemoveSpans(text, start, end, keep);
      }
    }
    for (TextView find : {TextView(u"  "), TextView(u"\n "), TextView(u"\n\n")}) {
      if constexpr (kLiteral) {
        text = test::ReplaceUntilGoneLiteral(std::move(text), find, find.substr(0, 1));
      } else {
        ReplaceUntilGone(text, find, find.substr(0, 1));
      }
    }
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Utf8Size(page)));
}

void BM_SpanStepsPortalPage(benchmark::State& state) { SpanSteps<false>(state, PortalPage()); }
void BM_SpanStepsPortalPageLiteral(benchmark::State& state) {
  SpanSteps<true>(state, PortalPage());
}
BENCHMARK(BM_SpanStepsPortalPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpanStepsPortalPageLiteral)->Unit(benchmark::kMillisecond);

// The literal loops grow with the square of the size: 64 KB of dense markup already
// shows it; a megabyte would take minutes.
void BM_SpanStepsDense64KB(benchmark::State& state) {
  static const Text page = DensePage(64 << 10);
  SpanSteps<false>(state, page);
}
void BM_SpanStepsDense64KBLiteral(benchmark::State& state) {
  static const Text page = DensePage(64 << 10);
  SpanSteps<true>(state, page);
}
BENCHMARK(BM_SpanStepsDense64KB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpanStepsDense64KBLiteral)->Unit(benchmark::kMillisecond);

void BM_ParseCleanedPortalPage(benchmark::State& state) {
  Text page = PortalPage();
  WeatherModule module;
  Text tooltip;
  const Text cleaned = CleanForecastPage(page, module.State, tooltip);
  const ForecastOptions options;
  for (auto _ : state) {
    module.PendingForecastText = cleaned;
    ForecastView controls;
    benchmark::DoNotOptimize(ParseForecastText(module, options, nullptr, controls));
  }
}
BENCHMARK(BM_ParseCleanedPortalPage)->Unit(benchmark::kMicrosecond);

// Compressing the forecast page once, as the portal does when its text changes.
void BM_GzipForecastPage(benchmark::State& state) {
  const std::string page = portal_server::ForecastPageHtml(
      *portal_server::FindCityByCode("101010100"), portal_server::PortalTime{2026, 12, 7, 10});
  std::size_t bytes = 0;
  for (auto _ : state) bytes = portal_server::Gzip(page, static_cast<int>(state.range(0))).size();
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GzipForecastPage)->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);

// Encoding the portal's 64 large weather icons as GIF (drawn once, outside the loop).
void BM_EncodeWeatherIcons(benchmark::State& state) {
  std::vector<QImage> icons;
  for (const char half : {'d', 'n'}) {
    for (int code = 0; code < 32; ++code) {
      const std::string name = std::string(1, half) + (code < 10 ? "0" : "") + std::to_string(code);
      icons.push_back(portal_server::DrawWeatherIcon(name, 42, 30));
    }
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (const QImage& icon : icons) bytes += portal_server::EncodeGif(icon).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeWeatherIcons)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace nimbulux

BENCHMARK_MAIN();
