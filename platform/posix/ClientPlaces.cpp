#include "platform/ClientPlaces.h"

#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "platform/System.h"

namespace pallograph {

RClientPlaces SystemClientPlaces() {
  RClientPlaces places;
  places.WinePrefixes = true;
  places.Home = HomeFolder();
  places.DataHome = UserDataFolder();
  places.ConfigHome = AppDataFolder();
  const std::string prefix = GetEnvironmentText("WINEPREFIX");
  if (!prefix.empty()) places.WinePrefix = ExcludeTrailingBackslash(AbsoluteProgramPath(prefix));
  return places;
}

}  // namespace pallograph
