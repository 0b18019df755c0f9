// Wildcards in config roots and names, so that one line covers every file of a naming rule:
// "*" stands for any run of characters ('\' and '/' included) and "?" for exactly one.
// Matching ignores the case of the ASCII letters A to Z. A text without wildcards keeps the
// plain meaning its config gives it (an exact path, a substring); only texts with wildcards are
// matched as patterns. Pure functions, safe on any thread.
#pragma once

#include <string_view>

namespace pallograph {

// True when `text` holds "*" or "?".
bool HasWildcards(std::string_view text);

// True when the whole of `text` matches `pattern`. Linear in practice, never worse than
// pattern length times text length (no recursion).
bool MatchesPattern(std::string_view pattern, std::string_view text);

}  // namespace pallograph
