// Text that came over the network, before the program keeps or shows it: whether it is UTF-8
// (the program's text), and the form that is safe to print, in which no terminal control sequence
// survives. Pure functions; safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace pallograph {

// True when the whole text is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool IsUtf8Text(std::string_view text);

// The text without control characters, except TAB, CR and LF: C0 controls, DEL and the C1
// controls U+0080 to U+009F go, so that no escape sequence reaches a terminal. Each byte that
// belongs to no well-formed UTF-8 sequence becomes '?'.
std::string PrintableText(std::string_view text);

}  // namespace pallograph
