// Lines typed on standard input, read so that a stop request (Interrupt.h) is not kept waiting.
// All reading of standard input goes through here. One implementation per platform.
#pragma once

#include <string>

namespace pallograph {

// Reads one line from standard input into `line`, without its line break (and a CR before it).
// True when a line break ended the line; false at the end of the input, on a read error, or when
// a stop request arrived while it waited (`line` then holds what was read so far). Main thread.
bool ReadInputLine(std::string& line);

}  // namespace pallograph
