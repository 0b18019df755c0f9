// The command line as a whole, before anything runs: a help or version request, and the faults
// that make a run pointless or unsafe (a word that does nothing, an option without its value, a
// value the program cannot use). A command line with a fault builds nothing; the run ends with
// kExitUsage.
#pragma once

#include <string>
#include <vector>

namespace pallograph {

class TCommandLineReader;

enum class TInfoRequest { None, Help, Version };

// The words that ask for the option list, and the one that asks for the version line.
inline constexpr const char* kHelpWords[] = {"--help", "-h", "-?", "/?"};
inline constexpr const char* kVersionWord = "--version";

// "--help", "-h", "-?" or "/?" as the only argument asks for the option list, "--version" for
// the version line. Among other arguments they are not understood like any unknown word.
TInfoRequest InfoRequestOf(const std::vector<std::string>& arguments);

struct RUsageCheck {
  std::vector<std::string> Faults;   // one line each, naming the word; none when usable
  std::vector<std::string> Notices;  // values outside their range, with the value used instead
};

// The faults of a command line that did not parse (`parseError`: the reader's message).
RUsageCheck CheckFailedParse(const TCommandLineReader& reader, const std::string& parseError);
// The faults and notices of a command line that parsed.
RUsageCheck CheckUsage(TCommandLineReader& reader);

}  // namespace pallograph
