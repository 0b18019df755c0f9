#include "run/ColorText.h"

#include <cctype>
#include <string_view>

namespace pallograph {

namespace {

// The colour's text without a leading "0x" (after blanks and '#'), as a programmer writes it.
std::string_view ColorDigits(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '#')) ++at;
  if (text.size() >= at + 2 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    return text.substr(at + 2);
  }
  return text;
}

}  // namespace

std::string NormalizeColor(const std::string& text) {
  std::string result = "#";
  for (const char c : ColorDigits(text)) {
    if (result.size() > 6) break;
    if (std::isxdigit(static_cast<unsigned char>(c))) result += c;
  }
  return result.size() < 7 ? "#FFFFFF" : result;
}

bool IsColorText(const std::string& text) {
  size_t digits = 0;
  for (const char c : ColorDigits(text)) {
    if (std::isxdigit(static_cast<unsigned char>(c))) ++digits;
  }
  return digits >= 6;
}

}  // namespace pallograph
