#include "platform/TextLineEnd.h"

namespace pallograph {

std::string WithSystemLineBreaks(std::string_view text) {
  const std::string_view end = TextLineEnd();
  if (end == "\r\n") return std::string(text);
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      result += end;
      ++i;
    } else {
      result.push_back(text[i]);
    }
  }
  return result;
}

}  // namespace pallograph
