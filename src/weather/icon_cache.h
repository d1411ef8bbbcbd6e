// Every portal picture and the local pictures "bg" and "wait" come through IconCache:
// first the "Images" folder, else a download that is kept there when SaveIcons > 0.
#pragma once

#include <optional>

#include "core/text.h"
#include "net/picture_decoding.h"

namespace nimbulux {

// The option "Save": any value above 0 lets IconCache write files.
int& SaveIcons();

// name: a portal path without extension beginning with "/" (keepFullName false), or a
// bare local name such as "bg" (keepFullName true). None when missing or undecodable.
std::optional<Picture> IconCache(TextView name, bool keepFullName);

// The file IconCache keeps a name in (for tests and for the background menu).
std::string IconCacheFile(TextView name, bool keepFullName);
// The file it reads the name from: that file, or while it does not exist, the same name
// in the "Images" folder beside a read-only program.
std::string IconCacheFileToRead(TextView name, bool keepFullName);

}  // namespace nimbulux
