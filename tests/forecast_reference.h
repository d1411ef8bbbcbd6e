// The span removal and the repeated replacement as the literal loops: search again from
// the first character after every change. Quadratic, but plainly right; the fast
// versions must give the same text.
#pragma once

#include "core/text.h"

namespace nimbulux::test {

inline Text RemoveSpansLiteral(Text text, TextView startMarker, TextView endMarker,
                               bool keepInner) {
  for (;;) {
    const std::size_t a = text.find(startMarker);
    if (a == Text::npos) break;
    const std::size_t b = text.find(endMarker, a);
    if (b == Text::npos || b < a + startMarker.size()) break;
    Text inner;
    if (keepInner) inner = text.substr(a + startMarker.size(), b - a - startMarker.size());
    text = text.substr(0, a) + inner + text.substr(b + endMarker.size());
  }
  return text;
}

inline Text ReplaceUntilGoneLiteral(Text text, TextView find, TextView replacement) {
  while (text.find(find) != Text::npos) text = ReplaceAll(text, find, replacement);
  return text;
}

}  // namespace nimbulux::test
