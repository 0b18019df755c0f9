// The client's paths.xml: it names the version-specific res_mods and mods folders
// ("<Path>./res_mods/2.4.0.2</Path>", "<Path ...>./mods/2.4.0.2</Path>") and lists the packages
// the client loads ("./res/packages/02_malinovka.pkg").
#pragma once

#include <string>
#include <string_view>

namespace pallograph {

inline constexpr std::string_view kResModsMarker = "./res_mods/";
inline constexpr std::string_view kModsMarker = "./mods/";

// The folder name after the first `marker`: the text up to the next '<', trimmed. "" when the
// marker is absent. Pure text work.
std::string PathsXmlFolder(std::string_view text, std::string_view marker);

// Whether the client loads the package file `name`: true for an empty paths.xml text, else
// whether "res/packages/" + name occurs in it (case-sensitive).
bool PathsXmlListsPackage(std::string_view text, std::string_view name);

}  // namespace pallograph
