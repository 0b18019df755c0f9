#include "platform/LastError.h"

#include <cerrno>
#include <system_error>

namespace pallograph {

namespace {

thread_local std::string lastFileError;

}  // namespace

void SetLastFileError(std::string text) { lastFileError = std::move(text); }

const std::string& LastFileError() { return lastFileError; }

void ClearLastFileError() { lastFileError.clear(); }

std::string LastFileErrorOr(const std::string& fallback) {
  return lastFileError.empty() ? fallback : lastFileError;
}

std::string WithLastFileError(const std::string& what) {
  if (lastFileError.empty() || what.find(lastFileError) != std::string::npos) return what;
  return what + "; " + lastFileError;
}

std::string SystemErrorText() {
  const int error = errno;
  return error == 0 ? std::string() : std::generic_category().message(error);
}

bool FailWithSystemError(const std::string& what) {
  const std::string system = SystemErrorText();
  SetLastFileError(system.empty() ? what : what + " (" + system + ")");
  return false;
}

}  // namespace pallograph
