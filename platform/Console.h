// The console and the desktop's message boxes.
#pragma once

#include <string>
#include <string_view>

namespace pallograph {

// Writes program text (UTF-8) to standard output or standard error, at once. Windows: on a
// console as wide text, so that every script shows; redirected, the UTF-8 bytes with CR LF line
// ends. Elsewhere the bytes as they are.
void WriteStandardOutput(std::string_view text);
void WriteStandardError(std::string_view text);
// One line of standard input up to its LF or CR LF (dropped) or the end of the input, as program
// text: Windows reads a console as wide text. A stop request (Interrupt.h) ends the wait: the line
// then holds what was read so far.
std::string ReadStandardInputLine();

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
