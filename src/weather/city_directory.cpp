#include "weather/city_directory.h"

#include "net/http_fetch.h"
#include "net/portal.h"
#include "weather/weather_state.h"

namespace nimbulux {
namespace {

struct LoadedDirectory {
  bool loaded = false;
  CityDirectory directory;
};

LoadedDirectory& DirectoryOfThisRun() {
  static LoadedDirectory state;
  return state;
}

Text PortalBase() {
  const Text& base = Weather().PortalBase;
  return base.empty() ? portal::PortalBaseFromEnvironment() : base;
}

}  // namespace

CityDirectory ParseCityDirectory(TextView page) {
  Text text = ReplaceAll(page, u"\"", u"");
  text = ReplaceAll(text, u"tmapin_citylist1", u"tmapin_citylist");
  CityDirectory directory;
  for (const Text& block : Split(text, u"<div class=tmapin_citylist>")) {
    std::vector<Text> parts = Split(block, u"<ul>");
    Text heading = parts.empty() ? Text() : parts[0];
    directory.RegionNames.push_back(TextBetween(heading, u">", u"<"));
    directory.RegionBodies.push_back(parts.size() > 1 ? parts[1] : Text());
  }
  return directory;
}

std::vector<RegionEntry> ListedRegions(const CityDirectory& directory) {
  std::vector<RegionEntry> entries;
  for (std::size_t i = 1; i < directory.RegionNames.size(); ++i) {
    if (!directory.RegionNames[i].empty()) entries.push_back({directory.RegionNames[i], i});
  }
  return entries;
}

std::vector<ListedCity> CitiesOfRegion(TextView regionBody) {
  std::vector<ListedCity> cities;
  const std::vector<Text> items = Split(regionBody, u"<li>");
  for (std::size_t i = 1; i < items.size(); ++i) {
    Text rest = items[i];
    ListedCity city;
    city.Id = TextBetween(rest, u"weather/", u".shtml");
    city.Name = TextBetween(rest, u">", u"<");
    cities.push_back(std::move(city));
  }
  return cities;
}

const CityDirectory& LoadCityDirectory() {
  LoadedDirectory& state = DirectoryOfThisRun();
  if (!state.loaded) {
    const Text page = HttpFetch(PortalBase() + portal::kCityListPath, true);
    state.directory = ParseCityDirectory(page);
    // A failed fetch is not retried in this run: the region box simply stays empty.
    state.loaded = true;
  }
  return state.directory;
}

bool CityDirectoryLoaded() { return DirectoryOfThisRun().loaded; }

void ResetCityDirectoryForTesting() { DirectoryOfThisRun() = {}; }

Text CityIdFromSearchReply(TextView reply) {
  Text rest(reply);
  Text id = TextBetween(rest, u"weather/", u".shtml");
  return id == portal::kUnknownCityCode ? Text() : id;
}

Text CitySearch(TextView name) {
  const Text url = portal::SearchBaseFromEnvironment() + portal::kSearchPath;
  const Text reply = HttpPost(url, portal::SearchBody(name), ToUtf8(portal::kSearchContentType));
  return CityIdFromSearchReply(reply);
}

ChosenCity ResolveChosenCity(TextView typedName, const std::optional<ListedCity>& selectedCity,
                             const CitySearchFunction& search) {
  ChosenCity chosen;
  if (!typedName.empty()) {
    const Text id = search ? search(typedName) : Text();
    if (IsCityIdValue(LeadingNumber(id))) return {Text(typedName), id};
  }
  if (selectedCity) {
    chosen.Name = selectedCity->Name;
    chosen.Id = selectedCity->Id;
  }
  return chosen;
}

Text WatchedLineText(TextView name, TextView id) { return Text(name) + u";" + Text(id); }

void WatchedListModel::Reset(const WatchedCityList& cities) {
  lines_.clear();
  for (const WatchedCity& city : cities) {
    lines_.push_back({WatchedLineText(city.Name, city.Id), city.Shown});
  }
  selected_ = -1;
}

void WatchedListModel::Select(int row) {
  selected_ = (row >= 0 && row < static_cast<int>(lines_.size())) ? row : -1;
}

void WatchedListModel::SetChecked(int row, bool checked) {
  if (row >= 0 && row < static_cast<int>(lines_.size())) {
    lines_[static_cast<std::size_t>(row)].Checked = checked;
  }
}

bool WatchedListModel::Add(const ChosenCity& city) {
  if (!city.IsCity()) return false;
  const Text line = WatchedLineText(city.Name, city.Id);
  for (const WatchedLine& existing : lines_) {
    if (existing.Line == line) return false;
  }
  lines_.push_back({line, false});
  selected_ = static_cast<int>(lines_.size()) - 1;
  return true;
}

bool WatchedListModel::RemoveSelected() {
  if (selected_ < 0) return false;
  lines_.erase(lines_.begin() + selected_);
  // Nothing stays selected, so that a second click cannot remove a line by surprise.
  selected_ = -1;
  return true;
}

bool WatchedListModel::MoveSelectedUp() {
  if (selected_ <= 0) return false;
  std::swap(lines_[static_cast<std::size_t>(selected_)],
            lines_[static_cast<std::size_t>(selected_ - 1)]);
  --selected_;
  return true;
}

bool WatchedListModel::MoveSelectedDown() {
  if (selected_ < 0 || selected_ + 1 >= static_cast<int>(lines_.size())) return false;
  std::swap(lines_[static_cast<std::size_t>(selected_)],
            lines_[static_cast<std::size_t>(selected_ + 1)]);
  ++selected_;
  return true;
}

WatchedCityList WatchedListModel::Cities() const {
  WatchedCityList cities;
  for (const WatchedLine& line : lines_) {
    const std::vector<Text> parts = Split(line.Line, u";");
    WatchedCity city;
    if (!parts.empty()) city.Name = parts[0];
    if (parts.size() > 1) city.Id = parts[1];
    city.Shown = line.Checked;
    cities.push_back(std::move(city));
  }
  return cities;
}

const std::vector<RegionEntry>& CityFrame::Regions() {
  if (!directory_) {
    directory_ = LoadCityDirectory();
    regions_ = ListedRegions(*directory_);
  }
  return regions_;
}

void CityFrame::SetDirectory(CityDirectory directory) {
  directory_ = std::move(directory);
  regions_ = ListedRegions(*directory_);
  chosenRegion_ = -1;
  cities_.clear();
}

void CityFrame::ChooseRegion(int regionIndex) {
  cities_.clear();
  chosenRegion_ = -1;
  if (!directory_ || regionIndex < 0 || regionIndex >= static_cast<int>(regions_.size())) return;
  chosenRegion_ = regionIndex;
  const std::size_t block = regions_[static_cast<std::size_t>(regionIndex)].Block;
  cities_ = CitiesOfRegion(directory_->RegionBodies[block]);
}

ChosenCity CityFrame::Resolve(TextView typedName, int selectedCity) const {
  std::optional<ListedCity> selection;
  if (chosenRegion_ >= 0 && selectedCity >= 0 && selectedCity < static_cast<int>(cities_.size())) {
    selection = cities_[static_cast<std::size_t>(selectedCity)];
  }
  return ResolveChosenCity(typedName, selection, search_);
}

}  // namespace nimbulux
