#include "live/value_checks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace nimbulux::portal_server {

namespace {

std::optional<double> Within(std::optional<double> v, double low, double high) {
  if (!v || !std::isfinite(*v) || *v < low || *v > high) return std::nullopt;
  return v;
}

constexpr std::array<int, 28> kDocumentedWmoCodes = {0,  1,  2,  3,  45, 48, 51, 53, 55, 56,
                                                     57, 61, 63, 65, 66, 67, 71, 73, 75, 77,
                                                     80, 81, 82, 85, 86, 95, 96, 99};

}  // namespace

std::optional<double> CheckedCelsius(std::optional<double> v) { return Within(v, -90, 60); }
std::optional<double> CheckedHumidity(std::optional<double> v) { return Within(v, 0, 100); }
std::optional<double> CheckedWindSpeed(std::optional<double> v) { return Within(v, 0, 150); }
std::optional<double> CheckedPressure(std::optional<double> v) { return Within(v, 500, 1100); }
std::optional<double> CheckedUvIndex(std::optional<double> v) { return Within(v, 0, 20); }

std::optional<double> CheckedDirection(std::optional<double> degrees) {
  if (!degrees || !std::isfinite(*degrees)) return std::nullopt;
  double d = std::fmod(*degrees, 360.0);
  if (d < 0) d += 360.0;
  if (d >= 360.0) d = 0;  // -1e-20 folds to 360 in floating point
  return d;
}

std::optional<int> CheckedWmoCode(std::optional<double> code) {
  // Range first: a huge value must not reach the conversion to int.
  if (!code || !std::isfinite(*code) || *code < 0 || *code > 99 || std::trunc(*code) != *code) {
    return std::nullopt;
  }
  const int c = static_cast<int>(*code);
  if (!std::binary_search(kDocumentedWmoCodes.begin(), kDocumentedWmoCodes.end(), c)) {
    return std::nullopt;
  }
  return c;
}

}  // namespace nimbulux::portal_server
