// The line break of text files and console text on this system: CR LF on Windows, LF on POSIX.
// The program writes its own texts with CR LF; what a user reads (the run log, the console)
// takes the system's form.
#pragma once

#include <string>
#include <string_view>

namespace pallograph {

// "\r\n" on Windows, "\n" on POSIX.
const char* TextLineEnd();

// The text with every CR LF pair replaced by TextLineEnd(); a CR or LF alone stays.
std::string WithSystemLineBreaks(std::string_view text);

}  // namespace pallograph
