// The portal's weather routes served from the live source.
#pragma once

#include <httplib.h>

#include <memory>

#include "live/live_source.h"
#include "server/portal_options.h"

namespace nimbulux::portal_server {

LiveSourceOptions LiveSourceOptionsFrom(const PortalOptions& options);

// The observation, summary, forecast page, city list and search routes. A city whose
// weather is not at hand gets 503 with a body that holds none of the readers' markers.
void AddLiveWeatherRoutes(httplib::Server& server, const PortalOptions& options,
                          std::shared_ptr<LiveSource> source);

}  // namespace nimbulux::portal_server
