// The outcome of an operation that reports success as a flag: the flag, and for a failure its
// cause (what failed, on which file or entry, the system's text). Stands where a bare Boolean
// stood, so callers that only test the flag stay as they are.
#pragma once

#include <string>
#include <utility>

namespace pallograph {

struct RResult {
  bool Ok = true;
  std::string Cause;  // empty on success

  static RResult Success() { return {}; }
  static RResult Failure(std::string cause) { return {false, std::move(cause)}; }
  // Implicit on purpose: the result replaces a bool return value.
  operator bool() const { return Ok; }  // NOLINT(google-explicit-constructor)
};

}  // namespace pallograph
