// The Chinese national code page (GBK, code page 936): the settings file, the README
// resource, the update notice and some portal replies are stored in it.
#pragma once

#include <string>
#include <string_view>

#include "core/text.h"

namespace nimbulux {

// Decodes GBK bytes (read as GB18030, a superset, so that every GBK character is
// accepted). An undecodable byte becomes U+FFFD; decoding never fails as a whole.
Text TextFromGbk(std::string_view bytes);

// Encodes to GBK. A character GBK cannot hold becomes "?".
std::string GbkFromText(TextView text);

}  // namespace nimbulux
