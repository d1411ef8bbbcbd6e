#include "pages/solar_terms.h"

#include <erfa.h>
#include <erfam.h>

#include <array>
#include <chrono>
#include <cmath>
#include <mutex>

namespace nimbulux::portal_server {

namespace {

constexpr double kUnixEpochJd = 2440587.5;
constexpr double kChinaOffsetSeconds = 8 * 3600;
constexpr double kDegreesPerDay = 360.0 / 365.2422;

constexpr std::array<const char*, 24> kNames = {
    "春分", "清明", "谷雨", "立夏", "小满", "芒种", "夏至", "小暑", "大暑", "立秋", "处暑", "白露",
    "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至", "小寒", "大寒", "立春", "雨水", "惊蛰"};

// Terrestrial time as a two-part Julian date for a UTC moment. ERFA's leap-second table
// carries the last known offset into later years, which is what a civil clock does.
void TerrestrialTime(double utcSeconds, double& tt1, double& tt2) {
  const double days = std::floor(utcSeconds / 86400);
  double utc1 = kUnixEpochJd + days;
  double utc2 = (utcSeconds - days * 86400) / 86400;
  double tai1 = 0, tai2 = 0;
  if (eraUtctai(utc1, utc2, &tai1, &tai2) < 0) {
    tai1 = utc1;
    tai2 = utc2 + 37.0 / 86400;
  }
  eraTaitt(tai1, tai2, &tt1, &tt2);
}

double Difference(double longitude, double target) {
  return std::fmod(longitude - target + 540.0, 360.0) - 180.0;  // -180..180
}

}  // namespace

double ApparentSolarLongitude(double utcSeconds) {
  double tt1 = 0, tt2 = 0;
  TerrestrialTime(utcSeconds, tt1, tt2);
  // The geocentric sun is the heliocentric earth reversed.
  double heliocentric[2][3], barycentric[2][3];
  eraEpv00(tt1, tt2, heliocentric, barycentric);
  double sun[3];
  eraSxp(-1, heliocentric[0], sun);
  const double distance = eraPm(sun);
  double direction[3];
  eraSxp(1 / distance, sun, direction);
  // Annual aberration from the earth's velocity (au/day to units of c).
  double velocity[3];
  eraSxp(ERFA_AULT / ERFA_DAYSEC, barycentric[1], velocity);
  const double speed = eraPm(velocity);
  double apparent[3];
  eraAb(direction, velocity, distance, std::sqrt(1 - speed * speed), apparent);
  // Mean ecliptic and equinox of date, then nutation in longitude for the true equinox.
  double toEcliptic[3][3];
  eraEcm06(tt1, tt2, toEcliptic);
  double ecliptic[3];
  eraRxp(toEcliptic, apparent, ecliptic);
  double dpsi = 0, deps = 0;
  eraNut06a(tt1, tt2, &dpsi, &deps);
  return eraAnp(std::atan2(ecliptic[1], ecliptic[0]) + dpsi) * ERFA_DR2D;
}

double SolarTermMoment(int index, double utcSecondsFrom) {
  const double target = 15.0 * (((index % 24) + 24) % 24);
  // The sun gains about 0.9856° a day; Newton steps on that rate converge in a few
  // iterations to well under a second.
  double ahead = Difference(target, ApparentSolarLongitude(utcSecondsFrom));
  if (ahead <= 0) ahead += 360;
  double t = utcSecondsFrom + ahead / kDegreesPerDay * 86400;
  for (int i = 0; i < 8; ++i) {
    const double error = Difference(ApparentSolarLongitude(t), target);
    t -= error / kDegreesPerDay * 86400;
    if (std::fabs(error) < 1e-7) break;
  }
  return t;
}

std::string SolarTermName(int index) {
  return kNames[static_cast<std::size_t>(((index % 24) + 24) % 24)];
}

std::string SolarTermOn(int year, int month, int day) {
  // A page is written many times a day; the sun is computed once a day.
  static std::mutex mutex;
  static long long cachedDay = 0;
  static std::string cachedName;
  using namespace std::chrono;
  const long long dayNumber =
      sys_days{year_month_day{std::chrono::year{year},
                              std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}}}
          .time_since_epoch()
          .count();
  const std::lock_guard lock(mutex);
  if (cachedName.empty() || cachedDay != dayNumber) {
    // The longitude the sun has reached at the end of that China day (24:00 UTC+8).
    const double endOfDay = static_cast<double>(dayNumber + 1) * 86400 - kChinaOffsetSeconds;
    const double longitude = ApparentSolarLongitude(endOfDay);
    cachedName = SolarTermName(static_cast<int>(std::floor(longitude / 15.0)));
    cachedDay = dayNumber;
  }
  return cachedName;
}

}  // namespace nimbulux::portal_server
