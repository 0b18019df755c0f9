#include "run/ColorText.h"

#include <cctype>

namespace pallograph {

std::string NormalizeColor(const std::string& text) {
  std::string result = "#";
  for (const char c : text) {
    if (result.size() > 6) break;
    if (std::isxdigit(static_cast<unsigned char>(c))) result += c;
  }
  return result.size() < 7 ? "#FFFFFF" : result;
}

bool IsColorText(const std::string& text) {
  size_t digits = 0;
  for (const char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) ++digits;
  }
  return digits >= 6;
}

}  // namespace pallograph
