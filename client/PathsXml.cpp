#include "client/PathsXml.h"

#include "platform/PathText.h"

namespace pallograph {

std::string PathsXmlFolder(std::string_view text, std::string_view marker) {
  const size_t found = text.find(marker);
  if (found == std::string_view::npos) return {};
  const size_t start = found + marker.size();
  const size_t end = text.find('<', start);
  return Trim(text.substr(start, end == std::string_view::npos ? end : end - start));
}

bool PathsXmlListsPackage(std::string_view text, std::string_view name) {
  if (text.empty()) return true;
  return text.find("res/packages/" + std::string(name)) != std::string_view::npos;
}

}  // namespace pallograph
