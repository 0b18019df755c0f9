// The program's one reading of decimal integer text.
#pragma once

#include <cstdint>
#include <string_view>

namespace pallograph {

// The whole text as a decimal integer: an optional '+' or '-', then digits only (no blanks, no
// other characters), within the range of int64_t. False otherwise, `value` unchanged.
bool ParseDecimal(std::string_view text, int64_t& value);

// The same text as ParseDecimal, but a whole number beyond the range of int64_t gives its
// nearest end (INT64_MAX or INT64_MIN) instead of false: for values that are clamped anyway.
bool ParseWholeNumber(std::string_view text, int64_t& value);

}  // namespace pallograph
