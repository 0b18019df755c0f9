#include "platform/GuidText.h"

namespace pallograph {

bool IsGuidText(std::string_view text) {
  constexpr std::string_view kShape = "{########-####-####-####-############}";
  if (text.size() != kShape.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (kShape[i] != '#') {
      if (c != kShape[i]) return false;
    } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
      return false;
    }
  }
  return true;
}

}  // namespace pallograph
