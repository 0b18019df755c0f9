#include "online/DownloadedText.h"

#include "platform/Utf16Text.h"

namespace pallograph {

namespace {

// The length of the well-formed UTF-8 sequence at `at` and its code point; 0 when the byte
// there starts none or the sequence stands for a surrogate.
size_t SequenceAt(std::string_view text, size_t at, char32_t& code) {
  const size_t length = Utf8SequenceAt(text, at, code);
  return code >= 0xD800 && code <= 0xDFFF ? 0 : length;
}

bool IsDropped(char32_t code) {
  if (code == '\t' || code == '\r' || code == '\n') return false;
  return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

}  // namespace

bool IsUtf8Text(std::string_view text) {
  char32_t code = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t length = SequenceAt(text, at, code);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string PrintableText(std::string_view text) {
  std::string printable;
  printable.reserve(text.size());
  char32_t code = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t length = SequenceAt(text, at, code);
    if (length == 0) {
      printable.push_back('?');
      ++at;
      continue;
    }
    if (!IsDropped(code)) printable.append(text.substr(at, length));
    at += length;
  }
  return printable;
}

}  // namespace pallograph
