// The cause of the last failed file-system operation on this thread: what failed, on which path,
// and the system's text, e.g. "Cannot write \"C:\x\" (No space left on device)". The file layer
// sets it at every failure; code that turns a failure into a message reads it. Thread-safe (one
// text per thread).
#pragma once

#include <string>

namespace pallograph {

void SetLastFileError(std::string text);
const std::string& LastFileError();
void ClearLastFileError();
// The last file error, or `fallback` when there is none.
std::string LastFileErrorOr(const std::string& fallback);
// `what`, followed by "; " + the last file error when there is one that `what` does not already
// hold: for failures that a library reports in its own words after our file layer failed.
std::string WithLastFileError(const std::string& what);
// The system's text for the error code of the last failed call (errno); "" for none.
std::string SystemErrorText();
// `what` + " (" + SystemErrorText() + ")" as the last file error; returns false for chaining.
bool FailWithSystemError(const std::string& what);

}  // namespace pallograph
