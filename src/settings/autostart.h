// "Run at logon": the value "Weather" of the current user's Run key holds the program's
// full file name while the option is on.
#pragma once

#include "core/text.h"
#include "settings/registry.h"

namespace nimbulux {

inline constexpr char16_t kAutostartValueName[] = u"Weather";

// The program's full file name as the autostart entry holds it.
Text OwnProgramFileName();

// True when the stored value is a string holding ownFile, compared in upper case (quotes
// or arguments around the same path still count).
bool AutostartValueNamesProgram(const RegistryValue& stored, TextView ownFile);

// The check box state: the stored entry names this program.
bool AutostartEnabled(TextView ownFile);

// Writes the entry with ownFile (on) or deletes it (off). A failure changes nothing.
void WriteAutostart(bool on, TextView ownFile);

}  // namespace nimbulux
