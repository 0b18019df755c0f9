// The client's and its launcher's traces in the Windows registry: installers' uninstall keys,
// the replay file association, the game launcher application. Off Windows the registry is empty
// and both lookups give "". Only reads.
#pragma once

#include <string>

namespace pallograph {

// Path of the client's WorldOfTanks.exe from the installers' uninstall keys, else from the
// ".wotreplay" file association; "" when none names an existing file. A path inside a win32 or
// win64 folder is moved to the client folder above it.
std::string FindClientExeInRegistry();

// Path of the game's launcher application (Wargaming.net Game Center), "" when none is found.
std::string FindGameCenterExe();

}  // namespace pallograph
