// The POSIX argument words and the option reader together: arbitrary words (split at NUL bytes)
// are parsed as the program parses its arguments. A "--dpt-mod=" word's value, whatever it holds
// (blanks, both kinds of quote, quotes around it), must read back exactly as given. The text form
// that the words also map to must parse without crashing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/CommandLineText.h"
#include "run/CommandLineReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words{"pallograph"};
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += static_cast<char>(data[i]);
    }
  }
  words.push_back(word);
  if (words.size() > 64) return 0;
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());

  pallograph::TCommandLineReader reader;
  reader.ShowErrorsAutomatically = false;
  reader.AllowSlashOptions = pallograph::SlashOptionsAllowed();
  reader.OnParseError = [](const std::string&) {};
  reader.AddTextOption("dpt-mod", "", "");
  reader.AddTextOption("cpu-count", "", "");
  reader.AddSwitch("log", "", false);
  reader.SetProcessCommandLine(
      pallograph::ProcessCommandLineText(static_cast<int>(argv.size()), argv.data()));
  reader.ParseProcessCommandLine();
  std::vector<std::string> arguments;
  pallograph::ProcessArgumentWords(static_cast<int>(argv.size()), argv.data(), arguments);
  reader.SetProcessArguments(arguments);
  // A lone option word: its value arrives unchanged.
  const std::string prefix = "--dpt-mod=";
  if (reader.ParseProcessCommandLine() && words.size() == 2 && words[1].rfind(prefix, 0) == 0) {
    const std::string value = words[1].substr(prefix.size());
    if (reader.OptionText("dpt-mod") != value) __builtin_trap();
  }
  return 0;
}
