// The client's resource packages: res\packages\*.pkg, sorted into the lists the mod stages walk.
#pragma once

#include <string>
#include <string_view>

#include "client/WOTInfo.h"

namespace pallograph {

// Fills AllPackages, Packages, MapPackages, MapAndSharedPackages and HasHD of `info` from the
// package files in `clientPath` + "res\packages\" (files ending in ".pkg" in any case, in name
// order), keeping only those that the paths.xml text lists (all of them for an empty text).
// AllPackages holds every one of them; HD packages ("_hd.pkg", "_hd-part") are left out of
// Packages; map packages (names starting with a digit) and shared_content packages go to
// MapAndSharedPackages, HD ones included. Only lists names: a package's content is never opened
// here. A missing folder gives empty lists.
void ListPackages(const std::string& clientPath, std::string_view pathsXml, RWOTInfo& info);

}  // namespace pallograph
