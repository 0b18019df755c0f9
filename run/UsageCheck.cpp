#include "run/UsageCheck.h"

#include <algorithm>
#include <cstdint>

#include "platform/IntegerText.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "run/ColorText.h"
#include "run/CommandLineReader.h"

namespace pallograph {

namespace {

constexpr const char* kColorOptions[] = {"DPT-mod", "inside-color", "CCT-mod", "MEM-mod",
                                         "CTM-mod"};
constexpr const char* kPathOptions[] = {"wot-path", "mods-path", "configs-path"};
// Options whose empty value ("--DPT-mod=") would silently drop what they ask for: a mod, or the
// folder the user meant to choose.
constexpr const char* kNonEmptyOptions[] = {"DPT-mod",   "CCT-mod",      "MEM-mod",
                                            "CTM-mod",   "SpaceBin-mod", "CAMO-mod",
                                            "mods-path", "configs-path"};

struct TWholeNumberOption {
  const char* Name;
  int64_t Low;
  int64_t High;
};
constexpr TWholeNumberOption kWholeNumberOptions[] = {{"cpu-count", 1, 50}, {"CAMO-mod", 0, 100}};

constexpr const char* kColorForms =
    ": give six hexadecimal digits RRGGBB, such as FF8000 or #FF8000";

bool LooksLikePath(const std::string& word) {
  return word.find('/') != std::string::npos || word.find('\\') != std::string::npos;
}

// "-wot-path=x" for "--wot-path=x": the name after one dash is an option's.
bool OneDashShort(TCommandLineReader& reader, const std::string& word) {
  if (word.size() < 3 || word[0] != '-' || word[1] == '-') return false;
  const std::string name = word.substr(1, word.find('=') - 1);
  for (const TProperty& option : reader.Options) {
    if (SameTextAscii(option.Name, name)) return true;
  }
  return false;
}

void CheckWords(TCommandLineReader& reader, RUsageCheck& check) {
  for (const std::string& word : reader.IgnoredWords) {
    if (OneDashShort(reader, word)) {
      check.Faults.push_back("unknown option " + word + " (options begin with two dashes: -" +
                             word + ")");
    } else if (word.rfind("--", 0) == 0) {
      check.Faults.push_back("unknown option " + word + " (no switch has that name)");
    } else {
      check.Faults.push_back("unknown option " + word);
    }
  }
  for (const std::string& word : reader.FreeArguments) {
    check.Faults.push_back(
        "\"" + word + "\" belongs to no option" +
        (LooksLikePath(word) ? " (a client folder is given as --wot-path=" + word + ")" : ""));
  }
  for (const std::string& name : reader.ValuelessOptions) {
    check.Faults.push_back("--" + name + " has no value (give it as --" + name + "=value)");
  }
  for (const char* name : kNonEmptyOptions) {
    const TProperty& option = reader.LookupOption(name);
    if (!option.Seen || !option.TextValue.empty()) continue;
    if (std::find(reader.ValuelessOptions.begin(), reader.ValuelessOptions.end(), option.Name) !=
        reader.ValuelessOptions.end()) {
      continue;
    }
    check.Faults.push_back("--" + std::string(name) + "= has an empty value (give it as --" + name +
                           "=value)");
  }
}

void CheckColors(TCommandLineReader& reader, RUsageCheck& check) {
  for (const char* option : kColorOptions) {
    const std::string value = reader.OptionText(option);
    if (!value.empty() && !IsColorText(value)) {
      check.Faults.push_back("--" + std::string(option) + "=" + value + " is not a colour" +
                             kColorForms);
    }
  }
  const std::string pair = reader.OptionText("SpaceBin-mod");
  if (pair.empty()) return;
  const size_t bar = pair.find('|');
  const std::string tank = pair.substr(0, bar);
  const std::string train = bar == std::string::npos ? "" : pair.substr(bar + 1);
  const bool usable = bar == std::string::npos ? IsColorText(pair)
                                               : train.find('|') == std::string::npos &&
                                                     (!tank.empty() || !train.empty()) &&
                                                     (tank.empty() || IsColorText(tank)) &&
                                                     (train.empty() || IsColorText(train));
  if (!usable) {
    check.Faults.push_back("--SpaceBin-mod=" + pair +
                           " is not a pair of colours: give RRGGBB|RRGGBB (tanks|trains, one "
                           "side may be empty) or one RRGGBB for both");
  }
}

void CheckWholeNumbers(TCommandLineReader& reader, RUsageCheck& check) {
  for (const TWholeNumberOption& option : kWholeNumberOptions) {
    const std::string value = reader.OptionText(option.Name);
    if (value.empty()) continue;
    const std::string range = std::to_string(option.Low) + ".." + std::to_string(option.High);
    int64_t number = 0;
    if (!ParseWholeNumber(value, number)) {
      check.Faults.push_back("--" + std::string(option.Name) + "=" + value +
                             " is not a whole number: give " + range);
    } else if (number < option.Low || number > option.High) {
      check.Notices.push_back(
          "--" + std::string(option.Name) + "=" + value + " is outside " + range + ": " +
          std::to_string(std::clamp(number, option.Low, option.High)) + " is used");
    }
  }
}

void CheckPaths(TCommandLineReader& reader, RUsageCheck& check) {
  for (const char* option : kPathOptions) {
    const std::string value = reader.OptionText(option);
    if (!ProgramPathCanHold(value)) {
      check.Faults.push_back("--" + std::string(option) + "=" + value +
                             ": a path with a backslash (\\) cannot be used on this system "
                             "(the program takes it for a folder separator)");
    }
  }
}

}  // namespace

TInfoRequest InfoRequestOf(const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) return TInfoRequest::None;
  const std::string& word = arguments.front();
  for (const char* help : kHelpWords) {
    if (word == help) return TInfoRequest::Help;
  }
  if (word == kVersionWord) return TInfoRequest::Version;
  return TInfoRequest::None;
}

RUsageCheck CheckFailedParse(const TCommandLineReader& reader, const std::string& parseError) {
  RUsageCheck check;
  if (!reader.FailedOption.empty()) {
    const bool info =
        SameTextAscii(reader.FailedOption, "help") || SameTextAscii(reader.FailedOption, "version");
    check.Faults.push_back("unknown option --" + reader.FailedOption +
                           (info ? " (--help and --version stand alone)" : ""));
  } else {
    check.Faults.push_back("command line not understood. " + parseError);
  }
  return check;
}

RUsageCheck CheckUsage(TCommandLineReader& reader) {
  RUsageCheck check;
  CheckWords(reader, check);
  CheckColors(reader, check);
  CheckWholeNumbers(reader, check);
  CheckPaths(reader, check);
  return check;
}

}  // namespace pallograph
