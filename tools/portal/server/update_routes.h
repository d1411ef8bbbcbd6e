// Routes of the update host (update page, notice, archive) served by the demo portal.
#pragma once

#include <httplib.h>

#include <string>

namespace nimbulux::portal_server {

// Adds the update routes; noticeFile is the --update-notice argument (may be empty).
void AddUpdateRoutes(httplib::Server& server, const std::string& noticeFile);

}  // namespace nimbulux::portal_server
