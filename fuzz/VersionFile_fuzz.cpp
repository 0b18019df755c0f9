// The update server's version file and change notes are untrusted text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "online/WebUpdate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const pallograph::RVersionFile file = pallograph::ParseVersionFile(text, "http://u/");
  for (const int16_t language : {0, 1}) {
    pallograph::UpdateMessageText(pallograph::TUpdateMessage::NewVersionWithDownload, language,
                                  file.VersionText, text);
  }
  return 0;
}
