#include "client/VersionXml.h"

#include "platform/PathText.h"

namespace pallograph {

namespace {

constexpr std::string_view kVersionTag = "<version>";
// The first two characters of the version text are the "v." before the number.
constexpr size_t kVersionNumberStart = 2;

constexpr size_t kRealmLimit = 32;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void ParseVersionXml(std::string_view text, RWOTInfo& info) {
  const size_t tag = text.find(kVersionTag);
  if (tag == std::string_view::npos) return;
  const size_t start = tag + kVersionTag.size();
  if (start >= text.size()) return;
  size_t end = text.find('<', start + 1);
  if (end == std::string_view::npos) end = text.size();
  info.VersionRaw = std::string(text.substr(start, end - start));

  const std::string trimmed = Trim(info.VersionRaw);
  if (trimmed.empty()) return;
  info.VersionText = trimmed;
  const size_t hash = info.VersionText.find('#');
  if (hash != std::string::npos) info.VersionText.replace(hash, 1, "build ");

  size_t i = kVersionNumberStart;
  for (; i < trimmed.size() && (IsDigit(trimmed[i]) || trimmed[i] == '.'); ++i) {
    info.Version += trimmed[i];
  }
  for (; i < trimmed.size(); ++i) {
    if (IsDigit(trimmed[i])) info.Build += trimmed[i];
  }
}

std::string VersionXmlRealm(std::string_view text) {
  constexpr std::string_view kRealmTag = "<realm>";
  const size_t tag = text.find(kRealmTag);
  if (tag == std::string_view::npos) return {};
  const size_t start = tag + kRealmTag.size();
  const size_t end = text.find('<', start);
  std::string realm =
      Trim(text.substr(start, (end == std::string_view::npos ? text.size() : end) - start));
  // A realm is a short code; a longer text is not one.
  if (realm.size() > kRealmLimit) realm.clear();
  return realm;
}

}  // namespace pallograph
