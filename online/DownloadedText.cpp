#include "online/DownloadedText.h"

#include <cstdint>

namespace pallograph {

namespace {

// The length of the well-formed UTF-8 sequence at `at` and its code point; 0 when the byte
// there starts none.
size_t SequenceAt(std::string_view text, size_t at, uint32_t& code) {
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length = 0;
  uint32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsDropped(uint32_t code) {
  if (code == '\t' || code == '\r' || code == '\n') return false;
  return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

}  // namespace

bool IsUtf8Text(std::string_view text) {
  uint32_t code = 0;
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
  uint32_t code = 0;
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
