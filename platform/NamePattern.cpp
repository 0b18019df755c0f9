#include "platform/NamePattern.h"

namespace pallograph {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

bool MatchesPattern(std::string_view pattern, std::string_view text) {
  constexpr size_t kNone = std::string_view::npos;
  size_t p = 0;
  size_t t = 0;
  size_t star = kNone;  // position of the last '*' seen in the pattern
  size_t resume = 0;    // text position that '*' is retried from
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(text[t]))) {
      ++p;
      ++t;
    } else if (star != kNone) {
      // Let the last '*' take one more character and try the rest again.
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool ItemNames(std::string_view lowerItem, std::string_view lowerName) {
  return HasWildcards(lowerItem) ? MatchesPattern(lowerItem, lowerName)
                                 : lowerItem.find(lowerName) != std::string_view::npos;
}

}  // namespace pallograph
