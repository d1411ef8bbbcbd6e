#include "weather/forecast_cleaning.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace nimbulux {

namespace {

constexpr std::size_t kNone = Text::npos;

bool SameUnits(const char16_t* a, const char16_t* b, std::size_t n) {
  return std::memcmp(a, b, n * sizeof(char16_t)) == 0;
}

// The first occurrence of needle at or after pos. Pages are mostly text between the
// markers looked for, so candidates are found eight code units at a time by their first
// two units and only then compared whole.
std::size_t FindText(TextView hay, TextView needle, std::size_t pos) {
  const std::size_t n = needle.size();
  if (n == 0) return pos <= hay.size() ? pos : kNone;
  if (pos > hay.size() || hay.size() - pos < n) return kNone;
  const std::size_t last = hay.size() - n;  // the last possible start
  const char16_t* h = hay.data();
  const char16_t* w = needle.data();
  std::size_t i = pos;
#ifdef __SSE2__
  const __m128i first = _mm_set1_epi16(static_cast<short>(w[0]));
  if (n >= 2) {
    const __m128i second = _mm_set1_epi16(static_cast<short>(w[1]));
    // Loads reach h[i + 8], which exists while i + 7 <= last - 1 + n - 1.
    for (; i + 8 <= last + 1; i += 8) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + 1));
      unsigned mask = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(a, first), _mm_cmpeq_epi16(b, second))));
      while (mask != 0) {
        const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
        const std::size_t at = i + bit / 2;
        if (SameUnits(h + at + 2, w + 2, n - 2)) return at;
        mask &= ~(3u << bit);
      }
    }
  } else {
    for (; i + 8 <= last + 1; i += 8) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
      const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(a, first)));
      if (mask != 0) return i + static_cast<unsigned>(__builtin_ctz(mask)) / 2;
    }
  }
#endif
  for (; i <= last; ++i) {
    if (h[i] == w[0] && SameUnits(h + i + 1, w + 1, n - 1)) return i;
  }
  return kNone;
}

// Replaces every occurrence of find, left to right, without overlaps. A replacement no
// longer than find is written over the text itself.
void ReplaceEvery(Text& text, TextView find, TextView replacement) {
  std::size_t at = FindText(text, find, 0);
  if (at == kNone) return;
  if (replacement.size() > find.size()) {
    Text out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t from = 0;
    for (; at != kNone; at = FindText(text, find, from)) {
      out.append(text, from, at - from);
      out.append(replacement);
      from = at + find.size();
    }
    out.append(text, from);
    text = std::move(out);
    return;
  }
  // Writing stays behind reading, and the search only looks ahead of the reading point.
  char16_t* data = text.data();
  std::size_t write = 0;
  std::size_t read = 0;
  for (; at != kNone; at = FindText(text, find, read)) {
    std::memmove(data + write, data + read, (at - read) * sizeof(char16_t));
    write += at - read;
    std::memcpy(data + write, replacement.data(), replacement.size() * sizeof(char16_t));
    write += replacement.size();
    read = at + find.size();
  }
  std::memmove(data + write, data + read, (text.size() - read) * sizeof(char16_t));
  text.resize(write + text.size() - read);
}

// RemoveSpans without the restart from the first character. The text is held as
// settled + pending + rest:
//  - settled: already looked at; no start marker lies wholly inside it, and it only
//    changes at its end, so after a removal only its last |start|-1 characters need to
//    be looked at again (a removal can join a new start marker across the cut);
//  - pending: the inner text kept by the last removal; the end-marker search already
//    passed over it, so no end marker lies wholly inside it;
//  - rest: the input not yet looked at.
// Every character moves rest -> pending -> settled at most once, so the work is linear.
// Settled is written over the front of the text itself: it never holds more characters
// than have been taken from rest.
class SpanRemover {
 public:
  SpanRemover(Text& text, TextView startMarker, TextView endMarker, bool keepInner)
      : text_(text), start_(startMarker), end_(endMarker), keep_(keepInner) {}

  void Run() {
    if (start_.empty() || end_.empty()) return;
    std::size_t from = 0;
    for (;;) {
      const std::size_t a = Find(start_, from, false);
      if (a == kNone) break;
      const std::size_t b = Find(end_, a, true);
      if (b == kNone || b < a + start_.size()) break;
      Remove(a, b);
      from = a + 1 >= start_.size() ? a + 1 - start_.size() : 0;
    }
    // settled + pending + rest, in place.
    const TextView pending = PendingView();
    std::memmove(text_.data() + settled_, pending.data(), pending.size() * sizeof(char16_t));
    const std::size_t kept = settled_ + pending.size();
    std::memmove(text_.data() + kept, text_.data() + rest_,
                 (text_.size() - rest_) * sizeof(char16_t));
    text_.resize(kept + text_.size() - rest_);
  }

 private:
  std::size_t PendingSize() const { return pending_.size() - pendingFront_; }
  TextView PendingView() const { return TextView(pending_).substr(pendingFront_); }
  TextView RestView() const { return TextView(text_).substr(rest_); }
  std::size_t Size() const { return settled_ + PendingSize() + (text_.size() - rest_); }

  char16_t At(std::size_t i) const {
    if (i < settled_) return text_[i];
    i -= settled_;
    if (i < PendingSize()) return pending_[pendingFront_ + i];
    return text_[rest_ + i - PendingSize()];
  }

  bool OccursAt(std::size_t i, TextView w) const {
    const std::size_t size = Size();
    if (i > size || w.size() > size - i) return false;
    for (std::size_t k = 0; k < w.size(); ++k) {
      if (At(i + k) != w[k]) return false;
    }
    return true;
  }

  // First occurrence of w at or after position from. With pendingFree, occurrences wholly
  // inside pending are known not to exist and are not searched for.
  std::size_t Find(TextView w, std::size_t from, bool pendingFree) const {
    const std::size_t settledEnd = settled_;
    const std::size_t pendingEnd = settledEnd + PendingSize();
    std::size_t i = from;
    // Starts inside settled: only its short tail is ever looked at again.
    for (; i < settledEnd; ++i) {
      if (OccursAt(i, w)) return i;
    }
    if (PendingSize() >= w.size()) {
      const std::size_t lastInside = pendingEnd - w.size();
      if (i <= lastInside) {
        if (!pendingFree) {
          const std::size_t at = FindText(
              PendingView().substr(0, lastInside - settledEnd + w.size()), w, i - settledEnd);
          if (at != kNone) return settledEnd + at;
        }
        i = lastInside + 1;
      }
    }
    // Starts inside pending that reach into rest.
    for (; i < pendingEnd; ++i) {
      if (OccursAt(i, w)) return i;
    }
    const std::size_t at = FindText(text_, w, rest_ + (i - pendingEnd));
    if (at == kNone) return kNone;
    return pendingEnd + (at - rest_);
  }

  // Moves count characters from the front of rest to the end of settled.
  void SettleFromRest(std::size_t count) {
    std::memmove(text_.data() + settled_, text_.data() + rest_, count * sizeof(char16_t));
    settled_ += count;
    rest_ += count;
  }

  // Removes [a, b + |end|), keeping [a + |start|, b) when keepInner. The start marker
  // reaches past settled (none lies wholly inside it) and the end marker ends in rest
  // (none lies wholly inside pending, and it starts after the start marker).
  void Remove(std::size_t a, std::size_t b) {
    const std::size_t settledEnd = settled_;
    const std::size_t pendingEnd = settledEnd + PendingSize();
    const std::size_t innerFrom = a + start_.size();
    const std::size_t restFrom = b + end_.size();

    // Everything before the start marker becomes settled; positions are taken before
    // anything moves.
    std::size_t restUsed = 0;  // characters of rest that are now settled
    if (a <= settledEnd) {
      settled_ = a;
    } else {
      const std::size_t fromPending = std::min(a, pendingEnd) - settledEnd;
      const TextView pending = PendingView().substr(0, fromPending);
      std::memmove(text_.data() + settled_, pending.data(), pending.size() * sizeof(char16_t));
      settled_ += fromPending;
      if (a > pendingEnd) {
        restUsed = a - pendingEnd;
        std::memmove(text_.data() + settled_, text_.data() + rest_, restUsed * sizeof(char16_t));
        settled_ += restUsed;
      }
    }

    if (!keep_ || innerFrom >= pendingEnd) {
      pending_.clear();
      pendingFront_ = 0;
      if (keep_) pending_.append(RestView().substr(innerFrom - pendingEnd, b - innerFrom));
    } else {
      pendingFront_ += innerFrom - settledEnd;
      if (b < pendingEnd) {
        pending_.resize(pending_.size() - (pendingEnd - b));
      } else {
        pending_.append(RestView().substr(0, b - pendingEnd));
      }
      if (pendingFront_ > 4096 && pendingFront_ * 2 > pending_.size()) {
        pending_.erase(0, pendingFront_);
        pendingFront_ = 0;
      }
    }
    rest_ += restFrom - pendingEnd;
  }

  Text& text_;
  TextView start_;
  TextView end_;
  bool keep_;
  std::size_t settled_ = 0;  // settled is text_[0, settled_)
  Text pending_;
  std::size_t pendingFront_ = 0;
  std::size_t rest_ = 0;  // rest is text_[rest_, end)
};

// TextBetween with the fast search: the same result and, when cut, the same cut.
Text Between(TextView text, TextView startMarker, TextView endMarker, std::size_t* cutAt) {
  const std::size_t a = FindText(text, startMarker, 0);
  if (a == kNone) return {};
  const std::size_t from = a + startMarker.size();
  const std::size_t c = FindText(text, endMarker, from);
  if (c == kNone) return {};
  if (cutAt) *cutAt = c + endMarker.size();
  return TrimBlanks(text.substr(from, c - from));
}

Text CutBetween(TextView& text, TextView startMarker, TextView endMarker) {
  std::size_t cut = 0;
  Text result = Between(text, startMarker, endMarker, &cut);
  text.remove_prefix(cut);
  return result;
}

}  // namespace

Text ReplaceUntilGone(Text& text, TextView find, TextView replacement) {
  if (find.empty()) return text;
  if (find.size() == 2 && replacement.size() == 1 && replacement[0] == find[0]) {
    // "xy" -> "x" leaves the same text whichever occurrence goes first, so one pass
    // that drops every y following an x (or a run of x) gives the text the repeated
    // passes give.
    std::size_t w = 0;
    for (std::size_t r = 0; r < text.size(); ++r) {
      const char16_t c = text[r];
      if (w > 0 && c == find[1] && text[w - 1] == find[0]) continue;
      text[w++] = c;
    }
    text.resize(w);
    return text;
  }
  // Any other rule: the passes themselves. A replacement not shorter than find could
  // grow without end, so such a rule gets a single pass.
  do {
    text = ReplaceAll(text, find, replacement);
  } while (replacement.size() < find.size() && FindText(text, find, 0) != kNone);
  return text;
}

Text RemoveSpans(Text& text, TextView startMarker, TextView endMarker, bool keepInner) {
  if (FindText(text, startMarker, 0) == kNone) return text;
  SpanRemover(text, startMarker, endMarker, keepInner).Run();
  return text;
}

Text CleanForecastPage(Text& page, WeatherState& state, Text& notesTooltip) {
  // The header fields and the fields the parser fills from this page start empty.
  state.CityName.clear();
  for (std::size_t i = 0; i < state.DateWords.size() && i <= 20; ++i) state.DateWords[i].clear();
  state.PageNotes = {};
  state.TodayForecast = {};
  state.ExtraLines = {};

  constexpr TextView kSection = u"<div class=\"weatherwapper\">";
  ReplaceEvery(page, u"<div class=\"topSj\">", kSection);
  // Section k lies between the k-th division marker and the next one.
  std::vector<std::size_t> bounds = {0};
  for (std::size_t at = FindText(page, kSection, 0); at != kNone;
       at = FindText(page, kSection, at + kSection.size())) {
    bounds.push_back(at);
    bounds.push_back(at + kSection.size());
  }
  bounds.push_back(page.size());
  const std::size_t sections = page.empty() ? 0 : bounds.size() / 2;
  auto section = [&](std::size_t k) {
    return TextView(page).substr(bounds[2 * k], bounds[2 * k + 1] - bounds[2 * k]);
  };

  if (sections > 0) state.CityName = Between(section(0), u"<title>", u"天气预报", nullptr);
  if (sections > 1) {
    TextView dated = section(1);
    state.DateWords = Split(CutBetween(dated, u">今天是", u"<"), u" ");
    state.PageNotes[0] = CutBetween(dated, u"\">", u"<");
    state.PageNotes[1] = CutBetween(dated, u"\">", u"<");
  }

  notesTooltip.clear();
  if (state.PageNotes[0].size() + state.PageNotes[1].size() > 3) {
    if (!state.PageNotes[0].empty()) notesTooltip = u"[" + state.PageNotes[0] + u"]";
    if (!state.PageNotes[1].empty()) notesTooltip += u"[" + state.PageNotes[1] + u"]";
  }

  if (sections >= 6) {
    page = Text(section(5));
  } else if (sections == 3 || sections == 4) {
    page = Text(section(2));
  }

  ReplaceEvery(page, u"&nbsp;", u" ");
  ReplaceEvery(page, u"<br />", u" ");
  ReplaceEvery(page, u"<li>", u"\n");
  ReplaceEvery(page, u"&gt;", u"-");
  ReplaceEvery(page, u"\t", u"");
  ReplaceEvery(page, u"\"", u"");
  ReplaceEvery(page, u"\r\n", u"\n");
  ReplaceEvery(page, u"<div class=fut_weather id=dd_0>", u"FutWeather");

  RemoveSpans(page, u"未来4-7", u"</h2>", false);
  RemoveSpans(page, u"<img", u"/>", true);
  RemoveSpans(page, u"<option", u"/option>", false);
  RemoveSpans(page, u"<", u">", false);
  RemoveSpans(page, u"周边地区", u"生活指数", false);

  ReplaceUntilGone(page, u"  ", u" ");
  ReplaceUntilGone(page, u"\n ", u"\n");
  ReplaceUntilGone(page, u"\n\n", u"\n");

  ReplaceEvery(page, u"29x20", u"42x30");
  return page;
}

Text CleanForecastPage(Text& page, Text& notesTooltip) {
  return CleanForecastPage(page, Weather().State, notesTooltip);
}

}  // namespace nimbulux
