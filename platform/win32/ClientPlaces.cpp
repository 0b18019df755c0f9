#include "platform/ClientPlaces.h"

#include <windows.h>

namespace pallograph {

RClientPlaces SystemClientPlaces() {
  RClientPlaces places;
  places.Registry = true;
  // The launcher installs into "<drive>:\Games\<client>" by default; any fixed drive may hold it.
  const DWORD drives = GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((drives & (1u << letter)) == 0) continue;
    const std::string root = std::string(1, static_cast<char>('A' + letter)) + ":\\";
    const std::wstring wide(root.begin(), root.end());
    if (GetDriveTypeW(wide.c_str()) != DRIVE_FIXED) continue;
    places.DefaultFolders.push_back(root + "Games\\");
  }
  return places;
}

}  // namespace pallograph
