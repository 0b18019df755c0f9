// The package and sub-folder names the user gives (--<MOD>-wotmod-name, --subfolder-wotmod-name):
// a package must land inside the output folder under a name the file system takes.
#pragma once

#include <string>

namespace pallograph {

class TCommandLineReader;

// Why the package name of `nameOption`, or the sub-folder name when `subfolder` is on, cannot be
// used; "" when both can. Refused: a name with a folder, a drive or "..", and a name whose
// longest file (the packer's temporary "<name>[_PartNNN].wotmod.{GUID}.tmp"; the part number with
// `split`) would pass 255 bytes, the longest file name file systems take.
std::string RefusedPackageName(TCommandLineReader& reader, const char* nameOption, bool subfolder,
                               bool split);

}  // namespace pallograph
