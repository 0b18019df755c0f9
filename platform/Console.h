// The console and the desktop's message boxes.
#pragma once

#include <string>

namespace pallograph {

// Detaches the process from its console (silent mode). Afterwards nothing is printed or read.
void ReleaseConsole();

// True when standard output is a terminal (not a pipe or a file): only then may a line be
// rewritten in place.
bool StandardOutputIsTerminal();

enum class MessageIcon { Error, Information, Question };

// Shows a message with an OK button (or Yes/No for questions) and returns true for OK/Yes. On a
// platform without message boxes the caption and the text go to standard error, and a question
// is answered from standard input (y/Y is yes).
bool ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon);

}  // namespace pallograph
