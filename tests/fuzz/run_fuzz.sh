#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# on, the whole library instrumented) and runs each for SECONDS (default 60).
# Usage: tests/fuzz/run_fuzz.sh [SECONDS] [BUILD_FOLDER] [TARGET...]
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${2:-$root/build-fuzz}"
shift $(($# < 2 ? $# : 2))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(forecast_fuzz settings_fuzz conditions_fuzz city_directory_fuzz update_notice_fuzz)
fi

if [ ! -f "$out/build.ninja" ]; then
  CXX=clang++ cmake -S "$root" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DNIMBULUX_FUZZ=ON -DNIMBULUX_BUILD_GUI=OFF -DNIMBULUX_BUILD_TESTS=OFF \
    -DNIMBULUX_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$out" --target "${targets[@]}" -- -j"$(nproc)"

# Seeds: a few shapes of what each reader is given.
seed() { mkdir -p "$out/corpus/$1"; printf '%s' "$3" >"$out/corpus/$1/$2"; }
seed forecast_fuzz header '<title>X天气预报</title><div class="topSj"><p>今天是 a b</p><a href="/n">注</a>'
seed forecast_fuzz table $'a\n白天\n<img src="/m/i/icon_weather/29x20/d01.gif" />\nFutWeather\n星期一\nsrc=/x.gif src=/y.gif\n晴\n高温：5℃\n低温：1℃\n小于3级'
seed forecast_fuzz summary '{"weatherinfo":{"city":"北京","cityid":"1","temp1":"5℃","temp2":"-3℃","weather":"晴","img1":"d1.gif","img2":"n1.gif","ptime":"08:00"}}'
seed settings_fuzz ini $'[SYSTEM]\nCurrentX=120\nCurrentY = 80 \n[CITY]\nCity1=北京,101010100,1\n'
seed conditions_fuzz reply '{"weatherinfo":{"city":"北京","cityid":"101010100","temp":"-3","WD":"北风","WS":"2级","SD":"40%","AP":"1020hPa","time":"08:10"}}'
seed city_directory_fuzz page '<div class="tmapin_citylist"><h3>北京</h3><ul><li><a href="/weather/101010100.shtml">北京</a></li></ul></div>'
seed update_notice_fuzz notice $'1.7.0\r\nhttp://127.0.0.1/n.rar\r\n[1.7.0]新的`[1.6.4]修正'

for target in "${targets[@]}"; do
  echo "== $target (${seconds} s)"
  # -timeout: any single input slower than 10 s counts as a hang.
  status=0
  "$out/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$out/$target-" \
    "$out/corpus/$target" >"$out/$target.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$out/$target.log"
    echo "run_fuzz: $target failed (exit $status); the input is in the file named above" >&2
    exit "$status"
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$out/$target.log" || true
done
