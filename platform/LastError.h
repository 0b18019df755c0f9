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
// The system's text for the error code of the last failed call (errno); "" for none.
std::string SystemErrorText();
// `what` + " (" + SystemErrorText() + ")" as the last file error; returns false for chaining.
bool FailWithSystemError(const std::string& what);

}  // namespace pallograph
