// The update server's version file and change notes are untrusted text: what of them is shown
// is UTF-8 without control characters, and a download is only ever a web address.
#include <cstddef>
#include <cstdint>
#include <string>

#include "online/DownloadedText.h"
#include "online/WebUpdate.h"
#include "platform/PathText.h"

namespace {

bool Shows(const std::string& text) {
  if (!pallograph::IsUtf8Text(text)) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return false;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const pallograph::RVersionFile file = pallograph::ParseVersionFile(text, "http://u/");
  const std::string notes = pallograph::PrintableText(text);
  if (!Shows(notes) || !Shows(file.VersionText)) __builtin_trap();
  if (!pallograph::IsUtf8Text(text) && notes.find('?') == std::string::npos) __builtin_trap();
  if (!file.DownloadURL.empty() &&
      pallograph::LowerCaseAscii(file.DownloadURL.substr(0, 4)) != "http")
    __builtin_trap();
  for (const int16_t language : {0, 1}) {
    pallograph::UpdateMessageText(pallograph::TUpdateMessage::NewVersionWithDownload, language,
                                  file.VersionText, notes);
  }
  return 0;
}
