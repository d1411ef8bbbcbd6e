// libFuzzer target over the forecast page readers: cleaning, parsing and the row, with
// no network (the city summaries are cut from the input itself). Any input must end
// quickly without a crash; small inputs also check the linear span removal against the
// literal loop.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "../forecast_reference.h"
#include "weather/forecast_cleaning.h"
#include "weather/forecast_parser.h"

namespace {

using namespace nimbulux;

void CheckSpanRemoval(const Text& text) {
  // Markers made of the first few characters of the input find the join cases.
  if (text.size() < 4 || text.size() > 512) return;
  const std::size_t startLength = 1 + text[0] % 3;
  const std::size_t endLength = 1 + text[1] % 3;
  if (text.size() < 2 + startLength + endLength) return;
  const Text start = text.substr(2, startLength);
  const Text end = text.substr(2 + startLength, endLength);
  const Text body = text.substr(2 + startLength + endLength);
  for (bool keep : {false, true}) {
    Text fast = body;
    RemoveSpans(fast, start, end, keep);
    if (fast != test::RemoveSpansLiteral(body, start, end, keep)) std::abort();
  }
  for (TextView find : {TextView(u"  "), TextView(u"\n "), TextView(u"\n\n")}) {
    Text fast = body;
    ReplaceUntilGone(fast, find, find.substr(0, 1));
    if (fast != test::ReplaceUntilGoneLiteral(body, find, find.substr(0, 1))) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Text input = FromUtf8(bytes);
  CheckSpanRemoval(input);

  ForecastOptions options;
  options.ViewMode = size > 0 ? data[0] % 6 : 4;
  options.ShowSeveralCities = size > 1 ? data[1] % 2 : 0;
  options.SaveIcons = size > 2 ? data[2] % 3 : 0;
  options.WatchedCities = {{u"a", u"1", true}, {u"b", u"2", false}, {u"c", u"3", true},
                           {u"d", u"4", true}, {u"e", u"5", true},  {u"f", u"6", true}};
  // Each city's summary is a different slice of the input.
  const SummaryFetcher summaries = [&input](TextView id) {
    const std::size_t from = id.empty() ? 0 : (id[0] - u'0') * input.size() / 7;
    return input.substr(from);
  };

  for (int round = 0; round < 2; ++round) {
    WeatherModule module;
    module.State.DateWords.assign(25, u"w");
    Text notes;
    Text page = input;
    // Round 0 parses the cleaned page; round 1 the raw input as if it were cleaned.
    module.PendingForecastText = round == 0 ? CleanForecastPage(page, module.State, notes) : input;
    ForecastView controls;
    ParseForecastText(module, options, summaries, controls);
    LoadPictures(controls, std::nullopt, nullptr);
  }
  return 0;
}
