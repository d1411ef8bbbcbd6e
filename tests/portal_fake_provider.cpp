#include "portal_fake_provider.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace nimbulux::test {

std::string OpenMeteoFile(const std::string& name) {
  std::ifstream in(std::string(NIMBULUX_TEST_DATA) + "/open_meteo/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("no test file " + name);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

FakeWeatherProvider::FakeWeatherProvider() {
  defaultForecast_ = FakeReply{200, OpenMeteoFile("forecast_day.json"), 0};
  auto answer = [this](const FakeReply& r, httplib::Response& res) {
    if (r.delayMs > 0) {
      // A hanging service: ends early only when the fake stops.
      std::unique_lock lock(mutex_);
      stopping_.wait_for(lock, std::chrono::milliseconds(r.delayMs), [this] { return stopped_; });
    }
    res.status = r.status;
    res.set_content(r.body, "application/json; charset=utf-8");
  };
  server_.Get("/v1/forecast", [this, answer](const httplib::Request& req, httplib::Response& res) {
    const std::string latitude = req.get_param_value("latitude");
    FakeReply reply;
    {
      const std::lock_guard lock(mutex_);
      ++forecastCounts_[latitude];
      userAgent_ = req.get_header_value("User-Agent");
      lastForecastQuery_.clear();
      for (const auto& [key, value] : req.params) lastForecastQuery_ += key + "=" + value + "&";
      reply = ReplyFor(forecasts_, latitude, defaultForecast_);
    }
    answer(reply, res);
  });
  defaultAirQuality_ = FakeReply{200, OpenMeteoFile("air_quality.json"), 0};
  server_.Get("/v1/air-quality",
              [this, answer](const httplib::Request& req, httplib::Response& res) {
                const std::string latitude = req.get_param_value("latitude");
                FakeReply reply;
                {
                  const std::lock_guard lock(mutex_);
                  ++airQualityCounts_[latitude];
                  lastAirQualityQuery_.clear();
                  for (const auto& [key, value] : req.params) {
                    lastAirQualityQuery_ += key + "=" + value + "&";
                  }
                  reply = ReplyFor(airQuality_, latitude, defaultAirQuality_);
                }
                answer(reply, res);
              });
  server_.Get("/v1/search", [this, answer](const httplib::Request& req, httplib::Response& res) {
    FakeReply reply;
    {
      const std::lock_guard lock(mutex_);
      ++searchCount_;
      const bool china = req.get_param_value("countryCode") == "CN";
      reply = ReplyFor(searches_, china ? req.get_param_value("name") : "",
                       FakeReply{200, OpenMeteoFile("search_nothing.json"), 0});
    }
    answer(reply, res);
  });
  // Enough threads that requests left hanging do not hold the others back.
  server_.new_task_queue = [] { return new httplib::ThreadPool(64); };
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("fake provider cannot listen");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
}

FakeWeatherProvider::~FakeWeatherProvider() {
  {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  stopping_.notify_all();
  server_.stop();
  thread_.join();
}

std::string FakeWeatherProvider::base() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

FakeReply FakeWeatherProvider::ReplyFor(const std::map<std::string, FakeReply>& replies,
                                        const std::string& key, const FakeReply& fallback) const {
  const auto it = replies.find(key);
  return it == replies.end() ? fallback : it->second;
}

void FakeWeatherProvider::SetForecast(const std::string& latitude, FakeReply reply) {
  const std::lock_guard lock(mutex_);
  forecasts_[latitude] = std::move(reply);
}

void FakeWeatherProvider::SetDefaultForecast(FakeReply reply) {
  const std::lock_guard lock(mutex_);
  defaultForecast_ = std::move(reply);
}

void FakeWeatherProvider::SetSearch(const std::string& name, FakeReply reply) {
  const std::lock_guard lock(mutex_);
  searches_[name] = std::move(reply);
}

int FakeWeatherProvider::ForecastRequests(const std::string& latitude) const {
  const std::lock_guard lock(mutex_);
  const auto it = forecastCounts_.find(latitude);
  return it == forecastCounts_.end() ? 0 : it->second;
}

int FakeWeatherProvider::ForecastRequests() const {
  const std::lock_guard lock(mutex_);
  int n = 0;
  for (const auto& [key, count] : forecastCounts_) n += count;
  return n;
}

void FakeWeatherProvider::SetAirQuality(const std::string& latitude, FakeReply reply) {
  const std::lock_guard lock(mutex_);
  airQuality_[latitude] = std::move(reply);
}

void FakeWeatherProvider::SetDefaultAirQuality(FakeReply reply) {
  const std::lock_guard lock(mutex_);
  defaultAirQuality_ = std::move(reply);
}

int FakeWeatherProvider::AirQualityRequests(const std::string& latitude) const {
  const std::lock_guard lock(mutex_);
  const auto it = airQualityCounts_.find(latitude);
  return it == airQualityCounts_.end() ? 0 : it->second;
}

std::string FakeWeatherProvider::LastAirQualityQuery() const {
  const std::lock_guard lock(mutex_);
  return lastAirQualityQuery_;
}

int FakeWeatherProvider::SearchRequests() const {
  const std::lock_guard lock(mutex_);
  return searchCount_;
}

std::string FakeWeatherProvider::LastUserAgent() const {
  const std::lock_guard lock(mutex_);
  return userAgent_;
}

std::string FakeWeatherProvider::LastForecastQuery() const {
  const std::lock_guard lock(mutex_);
  return lastForecastQuery_;
}

}  // namespace nimbulux::test
