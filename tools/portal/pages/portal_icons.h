// The portal's weather icons "/m/i/icon_weather/<size>/<code>.gif", drawn by us.
#pragma once

#include <QImage>
#include <string>
#include <string_view>

namespace nimbulux::portal_server {

// True for "d00".."d31" and "n00".."n31".
bool IsIconCode(std::string_view code);

// The icon drawn at width x height (transparent background); a null image for an
// unknown code.
QImage DrawWeatherIcon(std::string_view code, int width, int height);

// The icon as GIF bytes; empty for an unknown code.
std::string WeatherIconGif(std::string_view code, int width, int height);

}  // namespace nimbulux::portal_server
