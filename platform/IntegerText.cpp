#include "platform/IntegerText.h"

#include <charconv>
#include <limits>

namespace pallograph {

bool ParseDecimal(std::string_view text, int64_t& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return false;
  int64_t parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

bool ParseWholeNumber(std::string_view text, int64_t& value) {
  if (ParseDecimal(text, value)) return true;
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits.front() == '-';
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty()) return false;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  // Only digits, yet no int64_t: the number is beyond its range.
  value = negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return true;
}

}  // namespace pallograph
