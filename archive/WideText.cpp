#include "archive/WideText.h"

#include <cstring>
#include <new>

namespace pallograph {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(std::wstring& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    if (i + extra >= text.size()) {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    bool valid = true;
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (next & 0x3F);
    }
    if (!valid || cp < minimum || cp > 0x10FFFF || IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
      AppendUtf16(out, kReplacement);
      ++i;
      continue;
    }
    AppendUtf16(out, cp);
    i += extra + 1;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    // Only the low 32 bits matter; wchar_t may be signed.
    char32_t c = static_cast<char32_t>(static_cast<uint32_t>(text[i]));
    if (IsHighSurrogate(c) && i + 1 < text.size()) {
      const auto low = static_cast<char32_t>(static_cast<uint32_t>(text[i + 1]));
      if (IsLowSurrogate(low)) {
        AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) c = kReplacement;
    AppendUtf8(out, c);
  }
  return out;
}

sevenzip::BSTR AllocBstr(std::wstring_view wide) {
  sevenzip::BSTR text = AllocOleString(wide.data(), static_cast<uint32_t>(wide.size()));
  if (!text) throw std::bad_alloc();
  return text;
}

sevenzip::BSTR AllocBstr(std::string_view utf8) { return AllocBstr(Utf8ToWide(utf8)); }

void TPropVariant::Clear() noexcept {
  if (value_.vt == sevenzip::VT_BSTR) FreeOleString(value_.bstrVal);
  std::memset(&value_, 0, sizeof(value_));
}

std::string TPropVariant::AsText() const {
  if (value_.vt != sevenzip::VT_BSTR || !value_.bstrVal) return {};
  return WideToUtf8(std::wstring_view(value_.bstrVal, OleStringLength(value_.bstrVal)));
}

bool TPropVariant::AsBool(bool fallback) const {
  return value_.vt == sevenzip::VT_BOOL ? value_.boolVal != sevenzip::VARIANT_FALSE : fallback;
}

uint64_t TPropVariant::AsUInt64(uint64_t fallback) const {
  if (value_.vt == sevenzip::VT_UI8) return value_.uhVal;
  if (value_.vt == sevenzip::VT_UI4) return value_.ulVal;
  return fallback;
}

}  // namespace pallograph
