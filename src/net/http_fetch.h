// The one synchronous HTTP client of the program. Every page, icon and file
// read from the network comes through HttpFetch; the city search POST uses HttpPost.
// Plain http:// goes through our own small client (net/plain_http.h); https:// and
// other schemes through libcurl, loaded at the first such request.
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"

namespace nimbulux {

// The body of the most recent reply, byte for byte. Each fetch replaces it; a failure
// leaves it empty. Read it right after your own fetch.
std::string& ResponseBytes();

// GET url (with "?" + a random 1..9999 appended when bypassCache). Returns the body as
// text, decoded by the charset the reply declares (UTF-8, GBK, GB2312, GB18030); with
// none declared, UTF-8 when the bytes are valid UTF-8, else GBK. The status is not
// looked at. Any failure, a time-out or a body over the size cap gives the empty text
// and empty ResponseBytes.
Text HttpFetch(TextView url, bool bypassCache);

// POST body to url with the given Content-Type; same decoding and failure rules.
Text HttpPost(TextView url, std::string_view body, std::string_view contentType);

// Limits every request obeys.
inline constexpr long kConnectTimeoutMs = 5000;
inline constexpr long kTotalTimeoutMs = 15000;
inline constexpr std::size_t kMaxBodyBytes = 16u * 1024u * 1024u;

// Tests shorten the time-outs (milliseconds); 0 restores the defaults.
void SetHttpTimeoutsForTesting(long connectMs, long totalMs);

// The URL actually requested by the last call (after the random query), for tests.
const std::string& LastRequestedUrl();

}  // namespace nimbulux
