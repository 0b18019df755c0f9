#include "mods/JobErrors.h"

#include "platform/Exception.h"

namespace pallograph {

std::string WriteFailureRecord(const std::string& package, const std::string& file,
                               const std::string& cause) {
  return "Pkg: " + package + kCrLf + "File: " + file + kCrLf + "Type: I/O" + kCrLf +
         "Message: Unable to save file!" + (cause.empty() ? "" : " (" + cause + ")");
}

std::string DamagedFileRecord(const std::string& package, const std::string& file,
                              const std::string& reason) {
  return "Pkg: " + package + kCrLf + "File: " + file + kCrLf + "Type: Damaged file" + kCrLf +
         "Message: The file is damaged: " + reason;
}

std::string ExceptionRecord(const std::string& package, const std::exception& error) {
  return "Pkg: " + package + kCrLf + "Type: " + ExceptionClassName(error) + kCrLf +
         "Message: " + error.what();
}

std::string ExceptionRecord(const std::string& package, const std::string& file,
                            const std::exception& error) {
  return "Pkg: " + package + kCrLf + "File: " + file + kCrLf +
         "Type: " + ExceptionClassName(error) + kCrLf + "Message: " + error.what();
}

std::string UnknownExceptionRecord(const std::string& package) {
  return "Pkg: " + package + kCrLf + "Type: Exception" + kCrLf + "Message: Unknown error";
}

}  // namespace pallograph
