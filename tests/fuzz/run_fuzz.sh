#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) for the forecast page readers and runs it for N seconds
# (default 60).
# Usage: tests/fuzz/run_fuzz.sh [SECONDS] [BUILD_FOLDER]
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${2:-$root/build-fuzz}"
mkdir -p "$out/corpus"

# Seeds: a few shapes of the portal's page.
printf '<title>X天气预报</title><div class="topSj"><p>今天是 a b</p><a href="/n">注</a>' >"$out/corpus/seed_header"
printf 'a\n白天\n<img src="/m/i/icon_weather/29x20/d01.gif" />\nFutWeather\n星期一\nsrc=/x.gif src=/y.gif\n晴\n高温：5℃\n低温：1℃\n小于3级' >"$out/corpus/seed_table"
printf '{"weatherinfo":{"city":"北京","cityid":"1","temp1":"5℃","temp2":"-3℃","weather":"晴","img1":"d1.gif","img2":"n1.gif","ptime":"08:00"}}' >"$out/corpus/seed_summary"

qt_flags="$(pkg-config --cflags Qt6Gui)"
qt_libs="$(pkg-config --libs Qt6Gui)"
# shellcheck disable=SC2086
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -fPIC -I"$root/src" $qt_flags \
  "$root/tests/fuzz/forecast_fuzz.cpp" \
  "$root/src/weather/forecast_cleaning.cpp" "$root/src/weather/forecast_parser.cpp" \
  "$root/src/weather/forecast_row.cpp" "$root/src/weather/weather_state.cpp" \
  "$root/src/core/text.cpp" \
  $qt_libs -o "$out/forecast_fuzz"

# -timeout: any single input slower than 10 s counts as a hang.
"$out/forecast_fuzz" -max_total_time="$seconds" -timeout=10 -max_len=65536 \
  -print_final_stats=1 "$out/corpus"
