// The file version of a Windows executable, read from the version resource of its PE image
// (the fixed file information of VS_VERSIONINFO). Portable: parses the headers, the section
// table and the resource directory itself, so it works on any platform, for example on a
// client installed under Wine. Every structure is size-checked against the file before it is
// read. Thread-safe (no shared state).
#pragma once

#include <string>

#include "platform/Stream.h"

namespace pallograph {

// "a.b.c.d" from the fixed file version (high and low word of the most significant version
// word, then of the least significant one, in decimal); "" when the file cannot be opened, is no
// PE image, has no version resource, or any structure is out of bounds. `path` is a program path.
std::string GetFileVersionText(const std::string& path);

// The same for a PE image held in a stream (read from its position 0). Never throws.
std::string ReadPeFileVersion(TStream& image);

}  // namespace pallograph
