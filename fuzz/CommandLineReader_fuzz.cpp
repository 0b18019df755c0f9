// libFuzzer target: the option reader on arbitrary command-line text, with every value kind
// declared.
#include <cstddef>
#include <cstdint>
#include <string>

#include "run/CommandLineReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pallograph::TCommandLineReader reader;
  reader.ShowErrorsAutomatically = false;
  reader.AllowSlashOptions = size > 0 && (data[0] & 1);
  reader.OnParseError = [](const std::string&) {};
  reader.AddPathOption("wot-path", "", "");
  reader.AddTextOption("dpt-mod", "", "x");
  reader.AddOption("cpu-count", "", pallograph::TPropertyKind::okInteger, "1");
  reader.AddOption("scale", "", pallograph::TPropertyKind::okFloat, "1");
  reader.AddSwitch("log", "", false, 'l');
  reader.AddSwitch("statistics", "", true);
  reader.SetProcessCommandLine(std::string(reinterpret_cast<const char*>(data), size));
  reader.ParseProcessCommandLine();
  reader.OptionListing("  ");
  return 0;
}
