// The one synchronous HTTP client of the program, on Qt Network. Every page, icon and
// file read from the network comes through HttpFetch; the city search POST uses HttpPost.
// The caller waits in a local event loop that keeps painting, timers and the window
// manager's requests going, and holds user input back until the reply is complete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/text.h"
#include "net/fetch_wait.h"

namespace nimbulux {

// The body of the most recent reply, byte for byte. Each fetch replaces it; a failure
// leaves it empty. Read it right after your own fetch.
std::string& ResponseBytes();

// GET url (with "?" + a random 1..9999 appended when bypassCache). Returns the body as
// text, decoded by the charset the reply declares (UTF-8, GBK, GB2312, GB18030); with
// none declared, UTF-8 when the bytes are valid UTF-8, else GBK. The status is not
// looked at. Only http and https are requested and followed (at most 5 redirects,
// never from https to http). Any failure, a time-out or a body over the size cap gives
// the empty text and empty ResponseBytes. Needs the application object; runs on its
// thread only.
Text HttpFetch(TextView url, bool bypassCache);

// POST body to url with the given Content-Type; same decoding and failure rules.
Text HttpPost(TextView url, std::string_view body, std::string_view contentType);

// Limits every request obeys.
inline constexpr long kConnectTimeoutMs = 5000;
inline constexpr long kTotalTimeoutMs = 15000;
inline constexpr std::size_t kMaxBodyBytes = 16u * 1024u * 1024u;
inline constexpr int kMaxRedirects = 5;

// Tests shorten the time-outs (milliseconds); 0 restores the defaults.
void SetHttpTimeoutsForTesting(long connectMs, long totalMs);
// The total time-out in force (the name lookup obeys it too).
long TotalTimeoutMs();

// The URL actually requested by the last call (after the random query), for tests.
const std::string& LastRequestedUrl();

// How many requests a server has answered with an HTTP reply of any status since the
// program started: unchanged over a run of fetches means that no server answered.
std::uint64_t AnsweredRequestCount();

// Ends the manager and its HTTP thread while the application object still lives, so that
// the thread finishes its last queued work (and frees it) before the program exits. A
// later fetch makes a new manager. Asked while a fetch waits, it cancels that fetch and
// ends the manager once the wait is over.
void EndNetwork();

}  // namespace nimbulux
