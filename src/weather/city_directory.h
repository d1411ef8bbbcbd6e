// The city chooser of the options dialog without its controls: the two-level directory
// read from the portal's city list page, the city search by name, the choice of a city
// from the dialog's input, and the editing of the watched-city list.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "core/text.h"
#include "weather/watched_city.h"

namespace nimbulux {

// The city list page cut into region blocks. Block 0 is the text before the first block
// and is never listed.
struct CityDirectory {
  std::vector<Text> RegionNames;
  std::vector<Text> RegionBodies;
};

// One entry of the region box: its caption and the block it stands for.
struct RegionEntry {
  Text Name;
  std::size_t Block = 0;
};

// One entry of the city box.
struct ListedCity {
  Text Name;
  Text Id;
};

// A city designated by the dialog's input; both parts empty when none.
struct ChosenCity {
  Text Name;
  Text Id;
  bool IsCity() const { return !Name.empty() && !Id.empty(); }
};

// Cuts the city list page into region blocks (blocks marked "tmapin_citylist" or
// "tmapin_citylist1").
CityDirectory ParseCityDirectory(TextView page);

// The region box's entries: blocks 1.. with a non-empty name, each keeping its block.
std::vector<RegionEntry> ListedRegions(const CityDirectory& directory);

// The cities of one region block's body, in page order; an item without a link is listed
// with an empty id or name all the same.
std::vector<ListedCity> CitiesOfRegion(TextView regionBody);

// Fetches the portal's city list page and parses it, once per run: later calls give the
// same directory, also when the first fetch failed.
const CityDirectory& LoadCityDirectory();
bool CityDirectoryLoaded();
// Forgets the loaded directory (tests).
void ResetCityDirectoryForTesting();

// The city code in a search reply (between "weather/" and ".shtml"); empty for the
// service's "unknown" answer and for a reply without one.
Text CityIdFromSearchReply(TextView reply);

// Asks the search service for the city code of a name; empty when it knows none or
// cannot be reached.
Text CitySearch(TextView name);

using CitySearchFunction = std::function<Text(TextView)>;

// The city the input designates: a typed name the search knows wins; otherwise the city
// selected in the boxes (a region and a city both selected); otherwise none.
ChosenCity ResolveChosenCity(TextView typedName, const std::optional<ListedCity>& selectedCity,
                             const CitySearchFunction& search = CitySearch);

// One line of the watched list: name ";" id, with its check mark.
struct WatchedLine {
  Text Line;
  bool Checked = false;
  bool operator==(const WatchedLine&) const = default;
};

Text WatchedLineText(TextView name, TextView id);

// The watched list while the dialog is open, with its selected line (-1: none).
class WatchedListModel {
 public:
  WatchedListModel() = default;
  explicit WatchedListModel(const WatchedCityList& cities) { Reset(cities); }

  // Refills from a confirmed list; nothing selected.
  void Reset(const WatchedCityList& cities);

  const std::vector<WatchedLine>& Lines() const { return lines_; }
  int Selected() const { return selected_; }
  void Select(int row);  // out of range: nothing selected
  void SetChecked(int row, bool checked);

  // Appends name ";" id unchecked and selects it; false (nothing changed) when the exact
  // line is already there or the city is not one.
  bool Add(const ChosenCity& city);
  // Removes the selected line and leaves nothing selected. False when nothing was selected.
  bool RemoveSelected();
  // Exchanges the selected line with its neighbour, check mark included, and follows it.
  bool MoveSelectedUp();
  bool MoveSelectedDown();

  // The lines split at ";" into name and id, with their check marks.
  WatchedCityList Cities() const;

 private:
  std::vector<WatchedLine> lines_;
  int selected_ = -1;
};

// The state of the city frame behind the dialog's controls.
class CityFrame {
 public:
  explicit CityFrame(CitySearchFunction search = CitySearch) : search_(std::move(search)) {}

  // Region box drop-down: loads the directory at the first use in a run.
  const std::vector<RegionEntry>& Regions();
  bool DirectoryLoaded() const { return directory_.has_value(); }
  // Uses a given directory instead of the portal's page (tests).
  void SetDirectory(CityDirectory directory);

  // Choosing a region entry (index into Regions()); fills the city list.
  void ChooseRegion(int regionIndex);
  int ChosenRegion() const { return chosenRegion_; }
  const std::vector<ListedCity>& Cities() const { return cities_; }

  // The city designated by the typed name and the selected city (-1: none).
  ChosenCity Resolve(TextView typedName, int selectedCity) const;

 private:
  CitySearchFunction search_;
  std::optional<CityDirectory> directory_;
  std::vector<RegionEntry> regions_;
  int chosenRegion_ = -1;
  std::vector<ListedCity> cities_;
};

}  // namespace nimbulux
