// The POSIX argument mapping and the option reader together: arbitrary words (split at NUL
// bytes) become a command line the reader parses. A "--dpt-mod=" word whose value does not hold
// both kinds of quote, and is not itself quoted, must read back exactly as given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/CommandLineText.h"
#include "run/CommandLineReader.h"

namespace {

bool Passable(const std::string& value) {
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  const bool bothQuotes =
      value.find('"') != std::string::npos && value.find('\'') != std::string::npos;
  return !quoted && !bothQuotes;
}

}  // namespace

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
  // A lone option word with a passable value: its value arrives unchanged.
  const std::string prefix = "--dpt-mod=";
  if (reader.ParseProcessCommandLine() && words.size() == 2 && words[1].rfind(prefix, 0) == 0) {
    const std::string value = words[1].substr(prefix.size());
    if (Passable(value) && reader.OptionText("dpt-mod") != value) __builtin_trap();
  }
  return 0;
}
