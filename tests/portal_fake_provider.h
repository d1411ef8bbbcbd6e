// A stand-in for Open-Meteo on 127.0.0.1: forecast, air-quality and place-search replies chosen by
// the test (files written by hand in the service's documented shapes), with statuses and
// delays (cut short when the fake stops), and a count of the requests it got.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace nimbulux::test {

struct FakeReply {
  int status = 200;
  std::string body;
  int delayMs = 0;
};

// A file of tests/data/open_meteo.
std::string OpenMeteoFile(const std::string& name);

class FakeWeatherProvider {
 public:
  FakeWeatherProvider();
  ~FakeWeatherProvider();
  FakeWeatherProvider(const FakeWeatherProvider&) = delete;
  FakeWeatherProvider& operator=(const FakeWeatherProvider&) = delete;

  std::string base() const;
  // The forecast reply for requests with this latitude parameter ("39.90"); others get
  // the default reply.
  void SetForecast(const std::string& latitude, FakeReply reply);
  void SetDefaultForecast(FakeReply reply);
  // The air-quality reply for requests with this latitude parameter; others get the
  // default reply (tests/data/open_meteo/air_quality.json).
  void SetAirQuality(const std::string& latitude, FakeReply reply);
  void SetDefaultAirQuality(FakeReply reply);
  // The place-search reply for a name; other names get a reply without results.
  void SetSearch(const std::string& name, FakeReply reply);

  int ForecastRequests(const std::string& latitude) const;
  int ForecastRequests() const;
  int SearchRequests() const;
  int AirQualityRequests(const std::string& latitude) const;
  std::string LastAirQualityQuery() const;
  std::string LastUserAgent() const;
  std::string LastForecastQuery() const;

 private:
  FakeReply ReplyFor(const std::map<std::string, FakeReply>& replies, const std::string& key,
                     const FakeReply& fallback) const;

  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable stopping_;
  bool stopped_ = false;
  std::map<std::string, FakeReply> forecasts_;
  FakeReply defaultForecast_;
  std::map<std::string, FakeReply> searches_;
  std::map<std::string, FakeReply> airQuality_;
  FakeReply defaultAirQuality_;
  std::map<std::string, int> airQualityCounts_;
  std::string lastAirQualityQuery_;
  std::map<std::string, int> forecastCounts_;
  int searchCount_ = 0;
  std::string userAgent_;
  std::string lastForecastQuery_;
};

}  // namespace nimbulux::test
