#include "archive/WideText.h"

#include <cstring>
#include <new>

namespace pallograph {

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
