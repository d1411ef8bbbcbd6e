// Command line of nimbulux-portal.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pages/portal_data.h"

namespace nimbulux::portal_server {

// A fault injected into every reply whose path begins with prefix.
struct Fault {
  enum class Kind { kDelay, kStatus, kTruncate, kGarbage, kClose };
  std::string prefix;
  Kind kind = Kind::kDelay;
  long long argument = 0;  // milliseconds, status code or byte count
};

struct PortalOptions {
  enum class Source { kDemo, kLive };
  Source source = Source::kDemo;
  std::string providerUrl;  // replaces both of Open-Meteo's base addresses
  std::string cacheDir;     // empty: the XDG cache folder
  std::string dataDir;      // empty: the XDG data folder
  int upstreamTimeoutSeconds = 8;
  int upstreamBurst = 30;
  int port = 8086;
  std::string bind = "127.0.0.1";
  bool quiet = false;
  std::string fixturesDir;
  std::optional<PortalTime> fixedDate;  // hour ignored
  std::optional<int> fixedHour;
  std::vector<Fault> faults;
  std::string updateNotice;
  bool help = false;
};

// Parses argv; on a bad argument returns nothing and sets error.
std::optional<PortalOptions> ParsePortalOptions(const std::vector<std::string>& args,
                                                std::string& error);

// Parses "PREFIX=KIND[:ARG]".
std::optional<Fault> ParseFault(const std::string& text);

std::string PortalHelpText();

// The moment replies are generated for: the fixed date and hour where given, else now.
PortalTime ReplyTime(const PortalOptions& options);

// The folders the live source keeps its files in: the options, else
// $XDG_CACHE_HOME/nimbulux-portal and $XDG_DATA_HOME/nimbulux-portal.
std::string CacheFolder(const PortalOptions& options);
std::string DataFolder(const PortalOptions& options);

}  // namespace nimbulux::portal_server
