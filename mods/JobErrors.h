// The error records of the mod jobs: the text a job leaves in its ErrorText, shown by the run
// control after "An error occurred while working with one of the files!". Lines are joined by
// CR LF without a final line break.
#pragma once

#include <exception>
#include <string>

namespace pallograph {

inline constexpr const char* kCrLf = "\r\n";

// A file that could not be written: Pkg, File, "Type: I/O", "Message: Unable to save file!",
// followed on the message line by " (" + cause + ")" when the cause is known.
std::string WriteFailureRecord(const std::string& package, const std::string& file,
                               const std::string& cause = "");
// A game file whose content is damaged: Pkg, File, "Type: Damaged file", "Message: The file is
// damaged: " + the reason.
std::string DamagedFileRecord(const std::string& package, const std::string& file,
                              const std::string& reason);
// An exception that ended a synchronous job: Pkg, Type, Message.
std::string ExceptionRecord(const std::string& package, const std::exception& error);
// An exception that ended a thread job: Pkg, File (the entry being handled), Type, Message.
std::string ExceptionRecord(const std::string& package, const std::string& file,
                            const std::exception& error);
// The record for an exception that is not a std::exception.
std::string UnknownExceptionRecord(const std::string& package);

}  // namespace pallograph
