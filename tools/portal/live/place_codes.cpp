#include "live/place_codes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace nimbulux::portal_server {

namespace {

using nlohmann::json;

std::string StringIn(const json& o, const char* key) {
  const auto it = o.find(key);
  return it != o.end() && it->is_string() ? it->get<std::string>() : "";
}

}  // namespace

std::optional<std::vector<Place>> ParsePlaceSearchReply(const std::string& text) {
  const json root = json::parse(text, nullptr, false);
  if (!root.is_object()) return std::nullopt;
  if (const auto error = root.find("error");
      error != root.end() && error->is_boolean() && error->get<bool>()) {
    return std::nullopt;
  }
  std::vector<Place> places;
  const auto results = root.find("results");
  if (results == root.end()) return places;
  if (!results->is_array()) return std::nullopt;
  for (const json& r : *results) {
    if (!r.is_object()) continue;
    const auto lat = r.find("latitude");
    const auto lon = r.find("longitude");
    const std::string name = StringIn(r, "name");
    if (lat == r.end() || lon == r.end() || !lat->is_number() || !lon->is_number() ||
        name.empty()) {
      continue;
    }
    // The search is asked for China only; a result that says otherwise is not ours.
    const std::string country = StringIn(r, "country_code");
    if (!country.empty() && country != "CN") continue;
    Place p;
    const auto id = r.find("id");
    if (id != r.end() && id->is_number_integer()) p.id = id->get<long long>();
    p.name = name;
    p.admin1 = StringIn(r, "admin1");
    p.latitude = lat->get<double>();
    p.longitude = lon->get<double>();
    if (std::isfinite(p.latitude) && std::isfinite(p.longitude)) places.push_back(p);
  }
  return places;
}

PlaceCodes::PlaceCodes(std::string file, std::string provider)
    : file_(std::move(file)), provider_(std::move(provider)) {
  Load();
}

void PlaceCodes::Load() {
  QFile f(QString::fromStdString(file_));
  if (!f.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = f.readAll();
  const json root = json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!root.is_object()) {
    std::fprintf(stderr, "nimbulux-portal: ignoring the unreadable place file %s\n", file_.c_str());
    return;
  }
  // A file without a provider predates the record; its places are taken as this one's.
  const std::string recorded = StringIn(root, "provider");
  if (!recorded.empty() && recorded != provider_) {
    foreign_ = true;
    std::fprintf(stderr,
                 "nimbulux-portal: the place file %s holds places found with %s; not using it\n",
                 file_.c_str(), recorded.c_str());
    return;
  }
  // A hand-edited or damaged file must not stop the portal: what cannot be read is left
  // out, and the file is rewritten whole with the next new place.
  try {
    ReadEntries(root);
  } catch (const std::exception&) {
    entries_.clear();
    names_.clear();
    std::fprintf(stderr, "nimbulux-portal: ignoring the damaged place file %s\n", file_.c_str());
  }
}

void PlaceCodes::ReadEntries(const nlohmann::json& root) {
  const auto places = root.find("places");
  if (places != root.end() && places->is_array()) {
    for (const json& p : *places) {
      if (!p.is_object() || !p.contains("code") || !p["code"].is_string()) continue;
      Entry e;
      e.code = p["code"].get<std::string>();
      if (e.code.size() != 9 || e.code[0] != '7') continue;
      e.place.id = p.value("id", 0LL);
      e.place.name = StringIn(p, "name");
      e.place.admin1 = StringIn(p, "admin1");
      e.place.latitude = p.value("latitude", 0.0);
      e.place.longitude = p.value("longitude", 0.0);
      entries_.push_back(e);
      next_ = std::max(next_, std::stoll(e.code) + 1);
    }
  }
  const auto names = root.find("names");
  if (names != root.end() && names->is_object()) {
    for (const auto& [name, code] : names->items()) {
      if (code.is_string()) names_[name] = code.get<std::string>();
    }
  }
}

void PlaceCodes::Save() const {
  if (foreign_) return;
  json places = json::array();
  for (const Entry& e : entries_) {
    places.push_back({{"code", e.code},
                      {"id", e.place.id},
                      {"name", e.place.name},
                      {"admin1", e.place.admin1},
                      {"latitude", e.place.latitude},
                      {"longitude", e.place.longitude}});
  }
  json root = {{"places", places}, {"names", names_}};
  if (!provider_.empty()) root["provider"] = provider_;
  const std::string text = root.dump(1, ' ', false, json::error_handler_t::replace);
  const QString path = QString::fromStdString(file_);
  QSaveFile f(path);
  if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !f.open(QIODevice::WriteOnly) ||
      f.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !f.commit()) {
    std::fprintf(stderr, "nimbulux-portal: cannot write the place file %s\n", file_.c_str());
  }
}

const PlaceCodes::Entry* PlaceCodes::EntryFor(const Place& place) const {
  for (const Entry& e : entries_) {
    const bool sameId = place.id != 0 && e.place.id == place.id;
    const bool samePosition = place.id == 0 && e.place.id == 0 &&
                              std::abs(e.place.latitude - place.latitude) < 1e-4 &&
                              std::abs(e.place.longitude - place.longitude) < 1e-4;
    if (sameId || samePosition) return &e;
  }
  return nullptr;
}

std::optional<City> PlaceCodes::Find(const std::string& code) const {
  const std::lock_guard lock(mutex_);
  for (const Entry& e : entries_) {
    if (e.code == code) {
      return City{e.code, e.place.name, "", e.place.admin1, e.place.latitude, e.place.longitude, 0};
    }
  }
  return std::nullopt;
}

std::optional<std::string> PlaceCodes::CodeForName(const std::string& name) const {
  const std::lock_guard lock(mutex_);
  const auto it = names_.find(name);
  if (it == names_.end()) return std::nullopt;
  return it->second;
}

std::string PlaceCodes::Remember(const std::string& name, const Place& place) {
  const std::lock_guard lock(mutex_);
  std::string code;
  if (const Entry* known = EntryFor(place)) {
    code = known->code;
  } else {
    code = std::to_string(next_++);
    entries_.push_back(Entry{code, place});
  }
  names_[name] = code;
  Save();
  return code;
}

}  // namespace nimbulux::portal_server
