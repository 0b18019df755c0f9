// Names matched against wildcard patterns: "*" stands for any run of characters ('\' and '/'
// included) and "?" for exactly one; matching ignores the case of the ASCII letters A to Z. The
// configs use them so that one line covers every file of a naming rule (a config text without
// wildcards keeps its plain meaning: an exact path, a substring), and the packer for the masks of
// the files it takes. Pure functions, safe on any thread.
#pragma once

#include <string_view>

namespace pallograph {

// True when `text` holds "*" or "?".
bool HasWildcards(std::string_view text);

// True when the whole of `text` matches `pattern`. Linear in practice, never worse than
// pattern length times text length (no recursion).
bool MatchesPattern(std::string_view pattern, std::string_view text);

// True when a config's item names `lowerName`: with wildcards, the item matches the whole name;
// without, the item holds the name (an item may be a longer path ending in it).
bool ItemNames(std::string_view lowerItem, std::string_view lowerName);

}  // namespace pallograph
