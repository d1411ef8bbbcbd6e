#include "settings/autostart.h"

#include "core/program_paths.h"

namespace nimbulux {

Text OwnProgramFileName() { return FromUtf8(Paths().programFile); }

bool AutostartValueNamesProgram(const RegistryValue& stored, TextView ownFile) {
  const Text* text = std::get_if<Text>(&stored);
  // An empty own name would be found in every value.
  if (!text || ownFile.empty()) return false;
  return UpperCase(*text).find(UpperCase(ownFile)) != Text::npos;
}

bool AutostartEnabled(TextView ownFile) {
  return AutostartValueNamesProgram(
      QueryValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutostartValueName), ownFile);
}

void WriteAutostart(bool on, TextView ownFile) {
  if (on) {
    // An entry without a program would start nothing at login.
    if (ownFile.empty()) return;
    SetKeyValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutostartValueName, Text(ownFile), REG_SZ);
  } else {
    DeleteValue(RegistryRoot::CurrentUser, kRunKeyPath, kAutostartValueName);
  }
}

}  // namespace nimbulux
