// Services of the operating system that the program needs beyond files. One implementation per
// platform (posix/, win32/).
#pragma once

#include <string>

namespace pallograph {

// Number of processors the system reports (at least 1).
unsigned ProcessorCount();
// Folder of the running executable, program path with trailing '\'.
std::string ProgramFolder();
// The system's temporary folder, program path with trailing '\'.
std::string TempFolder();
// A new GUID as the system's class-id text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string NewGuidText();
// The user's roaming application-data folder, program path without trailing '\'; "" if unknown.
std::string AppDataFolder();
// The user's folder for state that programs keep between runs (logs), program path without
// trailing '\'; "" if unknown. POSIX: $XDG_STATE_HOME, else ~/.local/state. Windows: the
// application-data folder.
std::string UserStateFolder();
// The user's home folder, program path without trailing '\'; "" if unknown. POSIX: $HOME, else
// the password database's entry. Windows: the user's profile folder.
std::string HomeFolder();
// The user's folder for data that programs keep, program path without trailing '\'; "" if
// unknown. POSIX: $XDG_DATA_HOME, else ~/.local/share. Windows: the local application-data
// folder.
std::string UserDataFolder();
// A human-readable operating-system name ("Windows 10 Pro", "Debian GNU/Linux 12 (bookworm)").
std::string OperatingSystemName();
// Value of an environment variable; "" when unset.
std::string GetEnvironmentText(const std::string& name);
void SleepMs(unsigned milliseconds);
// Asks the memory allocator to keep freed blocks of up to 32 MiB for reuse instead of handing
// them back to the system at once. The texture stages allocate and free buffers of megabytes for
// every texture: handing each back and faulting it in again costs more than filling it, and
// with several threads every unmapping also interrupts the other processors. Where the
// allocator has no such setting, nothing changes.
void KeepFreedMemoryForReuse();
// Opens a URL with the desktop's default handler; false when that cannot be started.
bool OpenUrl(const std::string& url);

}  // namespace pallograph
