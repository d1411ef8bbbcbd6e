// The 24 solar terms by astronomy: a term begins when the sun's apparent geocentric
// ecliptic longitude (referred to the true equinox of date) reaches a multiple of 15°,
// 立春 at 315°, 春分 at 0°, 冬至 at 270°. Dates are China's (UTC+8).
#pragma once

#include <cstdint>
#include <string>

namespace nimbulux::portal_server {

// The sun's apparent longitude in degrees, 0..360, at a moment given as seconds since
// 1970-01-01 00:00 UTC (civil time, leap seconds as published).
double ApparentSolarLongitude(double utcSeconds);

// The name of the term in effect on a China date: the latest term whose moment falls on
// or before that day, so on a term's own day it is that term.
std::string SolarTermOn(int year, int month, int day);

// The moment (seconds since the epoch, UTC) at which the sun reaches longitude
// 15 * index (index 0..23, 0 = 春分) for the first time after utcSecondsFrom.
double SolarTermMoment(int index, double utcSecondsFrom);

// The name of the term that begins at 15 * index degrees.
std::string SolarTermName(int index);

}  // namespace nimbulux::portal_server
