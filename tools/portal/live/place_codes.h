// Codes of our own for places outside the directory that the place search found. They
// are kept on disk, because a widget stores a city's code in its settings: the same
// place must keep its code across restarts.
#pragma once

#include <map>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "pages/portal_data.h"

namespace nimbulux::portal_server {

struct Place {
  long long id = 0;  // the place search's id; 0 when it gave none
  std::string name;
  std::string admin1;  // province, e.g. "江苏省"
  double latitude = 0;
  double longitude = 0;
};

// The places of a place-search reply ({"results": [...]}); an empty list when nothing
// matched, nothing when the text is not such a reply.
std::optional<std::vector<Place>> ParsePlaceSearchReply(const std::string& text);

class PlaceCodes {
 public:
  // Codes run from 700000001 up; the file is read now and rewritten on every change.
  // The file records the provider whose search found its places: a file of another
  // provider is neither used nor overwritten (its places stay unknown to this run).
  explicit PlaceCodes(std::string file, std::string provider = {});

  std::optional<City> Find(const std::string& code) const;
  std::optional<std::string> CodeForName(const std::string& name) const;
  // The code of place (the one it already has, when the place is known under another
  // name), now also known under name.
  std::string Remember(const std::string& name, const Place& place);

 private:
  struct Entry {
    std::string code;
    Place place;
  };
  void Load();
  void ReadEntries(const nlohmann::json& root);
  void Save() const;
  const Entry* EntryFor(const Place& place) const;

  const std::string file_;
  const std::string provider_;
  bool foreign_ = false;  // the file belongs to another provider
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  std::map<std::string, std::string> names_;  // name -> code
  long long next_ = 700000001;
};

}  // namespace nimbulux::portal_server
