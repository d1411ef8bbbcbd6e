#include "net/portal.h"

#include <cstdlib>

namespace nimbulux::portal {
namespace {

Text BaseFromVariable(const char* name, TextView fallback) {
  const char* value = std::getenv(name);
  if (!value || !*value) return Text(fallback);
  Text base = FromUtf8(value);
  while (!base.empty() && base.back() == u'/') base.pop_back();
  return base;
}

}  // namespace

Text PortalBaseFromEnvironment() { return BaseFromVariable("NIMBULUX_PORTAL", kDefaultPortalBase); }
Text SearchBaseFromEnvironment() { return BaseFromVariable("NIMBULUX_SEARCH", kDefaultSearchBase); }

Text ConditionsPath(TextView cityId) { return u"/data/sk/" + Text(cityId) + u".html"; }
Text ForecastPagePath(TextView cityId) { return u"/html/weather/" + Text(cityId) + u".shtml"; }
Text CitySummaryPath(TextView cityId) { return u"/data/cityinfo/" + Text(cityId) + u".html"; }
Text IconPath(TextView size, TextView code) {
  return Text(kIconPathPrefix) + Text(size) + u"/" + Text(code) + u".gif";
}
std::string SearchBody(TextView name) { return "cityinfo=" + ToUtf8(name); }

}  // namespace nimbulux::portal
