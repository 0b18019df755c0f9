// The archive binding's exception: a failure reported by the archive library (its result code
// and the system's text for it), or a loading failure of the library module.
#pragma once

#include <string>

#include "archive/SevenZipAbi.h"
#include "platform/Exception.h"

namespace pallograph {

class ESevenZipError : public Exception {
 public:
  // A failure with a message of its own (loading, extraction results); Code() is E_FAIL.
  explicit ESevenZipError(const std::string& message, sevenzip::HRESULT code = sevenzip::E_FAIL)
      : Exception(message), code_(code) {}
  const char* ClassName() const noexcept override { return "ESevenZipError"; }
  sevenzip::HRESULT Code() const noexcept { return code_; }

 private:
  sevenzip::HRESULT code_;
};

// The system's text for a result code ("Incorrect function." for 1).
std::string ResultCodeText(sevenzip::HRESULT code);
// Throws ESevenZipError with the code's text for every code other than S_OK (also S_FALSE,
// which the library uses for false).
void CheckResult(sevenzip::HRESULT code);
// The texts of the archive's error flags, "; "-separated ("Unexpected end of archive").
std::string ArchiveErrorFlagsText(uint32_t flags);
// The text of an extraction operation result (CRC error, data error, ...).
std::string OperationResultText(int32_t operationResult);

}  // namespace pallograph
