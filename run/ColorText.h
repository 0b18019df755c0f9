// Colour option values.
#pragma once

#include <string>

namespace pallograph {

// "#" followed by the first six hexadecimal digits found in the text (case kept, every other
// character skipped; a leading "0x" or "0X", after blanks and '#', is no digit: 0xFF8000 is
// FF8000); "#FFFFFF" when fewer than six are found.
std::string NormalizeColor(const std::string& text);
// Whether the text holds at least six hexadecimal digits, so that NormalizeColor takes its
// colour from the text rather than falling back to white.
bool IsColorText(const std::string& text);

}  // namespace pallograph
