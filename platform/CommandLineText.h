// The process command line as one text, in the form Windows hands it to a program: the program
// name first, then the arguments separated by blanks, with quotes where a word holds blanks. The
// option reader (run/CommandLineReader.h) parses that text on every platform.
#pragma once

#include <string>
#include <vector>

namespace pallograph {

// The command line of this process. Windows: the text the system keeps (argc/argv are ignored).
// POSIX: built from the argument vector, which the shell has already split and unquoted, so that
// every argument stays one word for the reader:
//   - the program name first, in double quotes when it holds a blank;
//   - "--name=value": the value goes in quotes (double ones, single ones when the value holds a
//     double quote), unless it is already quoted; "--name=" gives an empty quoted value;
//   - "--name" and short switches ("-x", a lone "-") pass as they are;
//   - any other argument (a value, an absolute path) is passed in quotes the same way.
// Thread-safe.
std::string ProcessCommandLineText(int argc, char** argv);

// POSIX: the arguments after the program name, as the system split them; true. The option
// reader parses these words directly, so that a value with blanks and both kinds of quote still
// arrives exactly as given. Windows: false (the text above is the command line).
bool ProcessArgumentWords(int argc, char** argv, std::vector<std::string>& words);

// Whether "/name" may start a long option: true on Windows, false on POSIX, where an absolute
// path begins with "/".
bool SlashOptionsAllowed();

}  // namespace pallograph
