#include "archive/ESevenZipError.h"

#include <cstdio>
#include <iterator>
#include <system_error>

namespace pallograph {

namespace {

// Facility the POSIX library uses for errno values: 0x8000'0000 | 0x0800'0000 | errno.
constexpr uint32_t kErrnoFacilityMask = 0xFFFF0000u;
constexpr uint32_t kErrnoFacility = 0x88000000u;

std::string HexCode(sevenzip::HRESULT code) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(code));
  return text;
}

}  // namespace

std::string ResultCodeText(sevenzip::HRESULT code) {
  switch (static_cast<uint32_t>(code)) {
    case 0x00000000u:
      return "The operation completed successfully.";
    case 0x00000001u:
      return "Incorrect function.";
    case 0x80004001u:
      return "Not implemented";
    case 0x80004002u:
      return "No such interface supported";
    case 0x80004004u:
      return "Operation aborted";
    case 0x80004005u:
      return "Unspecified error";
    case 0x80030001u:
      return "Unable to perform requested operation.";
    case 0x80040111u:
      return "ClassFactory cannot supply requested class";
    case 0x8007000Eu:
      return "Not enough memory resources are available to complete this operation.";
    case 0x80070057u:
      return "The parameter is incorrect.";
    case 0x80070083u:
      return "An attempt was made to move the file pointer before the beginning of the file.";
    default:
      break;
  }
  const auto raw = static_cast<uint32_t>(code);
  if ((raw & kErrnoFacilityMask) == kErrnoFacility) {
    return std::error_code(static_cast<int>(raw & 0xFFFF), std::generic_category()).message();
  }
  return "System error " + HexCode(code);
}

void CheckResult(sevenzip::HRESULT code) {
  if (code != sevenzip::S_OK) throw ESevenZipError(ResultCodeText(code), code);
}

std::string ArchiveErrorFlagsText(uint32_t flags) {
  static const char* const kTexts[] = {"Is not archive",
                                       "Headers error",
                                       "Headers error in encrypted archive",
                                       "Unavailable start of archive",
                                       "Unconfirmed start of archive",
                                       "Unexpected end of archive",
                                       "There are data after the end of archive",
                                       "Unsupported method",
                                       "Unsupported feature",
                                       "Data error",
                                       "CRC error"};
  std::string text;
  for (uint32_t bit = 0; bit < 32; ++bit) {
    if (!(flags & (1u << bit))) continue;
    if (!text.empty()) text += "; ";
    text += bit < std::size(kTexts) ? kTexts[bit] : "Error flag " + std::to_string(bit);
  }
  return text;
}

std::string OperationResultText(int32_t operationResult) {
  switch (operationResult) {
    case 0:
      return "OK";
    case 1:
      return "Unsupported compression method";
    case 2:
      return "Data error";
    case 3:
      return "CRC failed";
    case 4:
      return "Unavailable data";
    case 5:
      return "Unexpected end of data";
    case 6:
      return "There are some data after the end of the payload data";
    case 7:
      return "Is not archive";
    case 8:
      return "Headers error";
    case 9:
      return "Wrong password";
    default:
      return "Unknown error " + std::to_string(operationResult);
  }
}

}  // namespace pallograph
