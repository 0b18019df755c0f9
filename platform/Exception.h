// The program's exception classes. Error records name the class of the exception that ended a
// job ("Type: ERangeError"), so every class reports its own name.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace pallograph {

class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  virtual const char* ClassName() const noexcept { return "Exception"; }
};

// A read or write outside the bounds of the data (untrusted game files, byte patterns).
class ERangeError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ERangeError"; }
};

// A file that cannot be created, read or written.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EInOutError"; }
};

// The class name of any exception: ours report their own, others count as "Exception".
inline const char* ExceptionClassName(const std::exception& e) noexcept {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->ClassName();
  return "Exception";
}

}  // namespace pallograph
