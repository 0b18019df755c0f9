#include "run/CommandLineReader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/CommandLineText.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

constexpr size_t kErrorContextLength = 100;

// A value that does not convert; caught by the walk like any other failure.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EConvertError"; }
};

bool IsDigitIn(char c, int base) {
  if (c >= '0' && c <= '9') return true;
  if (base != 16) return false;
  return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Decimal or hexadecimal ("$1F", "0x1F") 32-bit integer, with optional sign and leading blanks;
// nothing may follow the digits.
int32_t TextToInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) throw EConvertError("'" + text + "' is not a valid integer value");
  const int64_t limit = base == 16 ? int64_t{UINT32_MAX} : int64_t{INT32_MAX} + 1;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (!IsDigitIn(c, base)) throw EConvertError("'" + text + "' is not a valid integer value");
    const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    value = value * base + digit;
    if (value > limit) {
      throw EConvertError("'" + text + "' is not a valid integer value");
    }
  }
  if (negative) value = -value;
  // Hexadecimal text names the bit pattern: $FFFFFFFF is -1.
  if (base == 16 && !negative && value > INT32_MAX) value -= int64_t{1} << 32;
  if (value < INT32_MIN || value > INT32_MAX) {
    throw EConvertError("'" + text + "' is not a valid integer value");
  }
  return static_cast<int32_t>(value);
}

// Decimal floating-point text with '.' and an optional exponent, blanks allowed around it.
long double TextToFloat(const std::string& text) {
  const std::string trimmed = Trim(text);
  bool digits = false;
  for (const char c : trimmed) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c != '.' && c != '+' && c != '-' && c != 'e' && c != 'E') {
      throw EConvertError("'" + text + "' is not a valid floating point value");
    }
  }
  if (!digits) throw EConvertError("'" + text + "' is not a valid floating point value");
  char* end = nullptr;
  errno = 0;
  const long double value = std::strtold(trimmed.c_str(), &end);
  if (end != trimmed.c_str() + trimmed.size() || errno == ERANGE) {
    throw EConvertError("'" + text + "' is not a valid floating point value");
  }
  return value;
}

// A walk over the arguments: false at its first error, also when a value does not convert.
template <typename Walk>
bool WalkSucceeds(Walk& walk) {
  try {
    return walk();
  } catch (...) {
    return false;
  }
}

bool NamesFileOrFolder(const std::string& path) {
  return FileExists(path) || DirectoryExists(path);
}

void ConvertValue(TProperty& option) {
  if (option.Kind == TPropertyKind::okInteger) {
    option.IntValue = TextToInteger(option.TextValue);
  } else if (option.Kind == TPropertyKind::okFloat) {
    option.FloatValue = TextToFloat(option.TextValue);
  }
}

}  // namespace

TCommandLineReader::TCommandLineReader() : AllowSlashOptions(SlashOptionsAllowed()) {}

TProperty& TCommandLineReader::AddOption(const std::string& name, const std::string& description,
                                         TPropertyKind kind, const std::string& defaultText) {
  TProperty option;
  option.Name = LowerCaseAscii(name);
  option.Description = description;
  option.Kind = kind;
  option.TextValue = defaultText;
  Options.push_back(std::move(option));
  return Options.back();
}

TProperty& TCommandLineReader::AddSwitch(const std::string& name, const std::string& description,
                                         bool defaultValue, char shortChar) {
  TProperty& option = AddOption(name, description, TPropertyKind::okSwitch, "");
  option.SwitchValue = defaultValue;
  option.SwitchDefault = defaultValue;
  option.ShortChar = shortChar;
  return option;
}

TProperty& TCommandLineReader::AddSwitch(const std::string& name, const std::string& description,
                                         bool defaultValue) {
  return AddSwitch(name, description, defaultValue, '\0');
}

TProperty& TCommandLineReader::AddPathOption(const std::string& name,
                                             const std::string& description,
                                             const std::string& defaultText) {
  return AddOption(name, description, TPropertyKind::okPath, defaultText);
}

TProperty& TCommandLineReader::AddTextOption(const std::string& name,
                                             const std::string& description,
                                             const std::string& defaultText) {
  return AddOption(name, description, TPropertyKind::okText, defaultText);
}

bool TCommandLineReader::ParseProcessCommandLine() {
  if (hasProcessArguments_) return ParseArgumentWords(processArguments_);
  const std::string& text = processCommandLine_;
  if (text.empty()) return false;
  size_t end;
  if (text[0] == '"') {
    end = text.find('"', 1);
  } else {
    end = text.find(' ');
  }
  return ParseArguments(end == std::string::npos ? std::string() : text.substr(end + 1));
}

TProperty* TCommandLineReader::FindOption(std::string_view name, bool switchesOnly) {
  for (TProperty& option : Options) {
    if (switchesOnly && option.Kind != TPropertyKind::okSwitch) continue;
    if (option.Name.size() == name.size() && SameTextAscii(option.Name, name)) return &option;
  }
  return nullptr;
}

bool TCommandLineReader::TakeLongOption(std::string_view name, TProperty*& waiting) {
  const bool enable = name.size() >= 7 && SameTextAscii(name.substr(0, 7), "enable-");
  const bool disable = name.size() >= 8 && SameTextAscii(name.substr(0, 8), "disable-");
  if (enable || disable) {
    if (TProperty* option = FindOption(name.substr(enable ? 7 : 8), true)) {
      option->SwitchValue = enable;
      option->Seen = true;
    } else {
      IgnoredWords.push_back("--" + std::string(name));
    }
    return true;
  }
  TProperty* option = FindOption(name, false);
  if (!option) {
    if (!name.empty()) FailedOption = std::string(name);
    return false;
  }
  // Giving a switch inverts its default; giving it twice does not invert it back.
  if (option->Kind == TPropertyKind::okSwitch) {
    option->SwitchValue = !option->SwitchDefault;
  } else {
    waiting = option;
  }
  option->Seen = true;
  return true;
}

bool TCommandLineReader::TakeShortSwitches(std::string_view letters) {
  if (letters.empty()) return false;
  bool ignored = false;
  for (const char letter : letters) {
    bool known = false;
    for (TProperty& option : Options) {
      if (option.Kind == TPropertyKind::okSwitch && option.ShortChar == letter) {
        option.SwitchValue = !option.SwitchDefault;
        option.Seen = true;
        known = true;
      }
    }
    ignored = ignored || !known;
  }
  if (ignored) IgnoredWords.push_back("-" + std::string(letters));
  return true;
}

void TCommandLineReader::EndWait(TProperty*& waiting) {
  if (waiting) ValuelessOptions.push_back(waiting->Name);
  waiting = nullptr;
}

void TCommandLineReader::TakeWord(const std::string& word, TProperty*& waiting) {
  if (waiting) {
    waiting->TextValue = word;
    ConvertValue(*waiting);
  } else {
    FreeArguments.push_back(word);
  }
  waiting = nullptr;
}

void TCommandLineReader::StartParse() {
  FailedOption.clear();
  FreeArguments.clear();
  IgnoredWords.clear();
  ValuelessOptions.clear();
  for (TProperty& option : Options) option.Seen = false;
}

bool TCommandLineReader::ParseArguments(const std::string& text) {
  StartParse();
  const size_t length = text.size();
  size_t pos = 0;
  TProperty* waiting = nullptr;
  // The waiting option's name ended in "=": with nothing after it, its value is empty, which is
  // a value given.
  bool waitAfterEquals = false;
  const auto endWait = [&] {
    if (waitAfterEquals) waiting = nullptr;
    EndWait(waiting);
  };

  // False at the first parse error; `pos` then marks where it happened.
  auto walk = [&]() -> bool {
    while (pos < length) {
      const char c = text[pos];
      const bool doubleDash = c == '-' && pos + 1 < length && text[pos + 1] == '-';
      if (doubleDash || (c == '/' && AllowSlashOptions)) {
        pos += doubleDash ? 2 : 1;
        const size_t start = pos;
        while (pos < length && text[pos] != ' ' && text[pos] != '=') ++pos;
        endWait();
        if (!TakeLongOption(std::string_view(text).substr(start, pos - start), waiting)) {
          return false;
        }
        waitAfterEquals = waiting && pos < length && text[pos] == '=';
      } else if (c == '-') {
        endWait();
        const size_t start = ++pos;
        while (pos < length && text[pos] != ' ') ++pos;
        if (!TakeShortSwitches(std::string_view(text).substr(start, pos - start))) {
          pos = start;
          return false;
        }
      } else if (c == '"' || c == '\'') {
        const size_t start = ++pos;
        while (pos < length && text[pos] != c) ++pos;
        TakeWord(text.substr(start, pos - start), waiting);
      } else if (c != ' ') {
        const size_t start = pos;
        while (pos < length && text[pos] != ' ') ++pos;
        if (waiting && waiting->Kind == TPropertyKind::okPath) {
          // An unquoted path may hold blanks: extend it word by word until it names an existing
          // file or folder. One that never does is the error, named from its first word.
          while (!NamesFileOrFolder(text.substr(start, pos - start))) {
            while (pos < length && text[pos] == ' ') ++pos;
            if (pos >= length) {
              pos = start;
              return false;
            }
            while (pos < length && text[pos] != ' ') ++pos;
          }
        }
        TakeWord(text.substr(start, pos - start), waiting);
      }
      ++pos;
    }
    endWait();
    return true;
  };

  if (!WalkSucceeds(walk)) {
    ReportParseError(text, pos);
    return false;
  }
  Parsed = true;
  return true;
}

bool TCommandLineReader::ParseArgumentWords(const std::vector<std::string>& words) {
  StartParse();
  TProperty* waiting = nullptr;
  size_t index = 0;
  auto walk = [&]() -> bool {
    for (; index < words.size(); ++index) {
      const std::string& word = words[index];
      const bool doubleDash = word.size() >= 2 && word[0] == '-' && word[1] == '-';
      if (doubleDash || (AllowSlashOptions && !word.empty() && word[0] == '/')) {
        const std::string_view body = std::string_view(word).substr(doubleDash ? 2 : 1);
        const size_t equals = body.find('=');
        EndWait(waiting);
        if (!TakeLongOption(body.substr(0, equals), waiting)) return false;
        // The value after "=" is taken exactly, also when empty: the shell already unquoted it.
        if (equals != std::string_view::npos && (waiting || equals + 1 < body.size())) {
          TakeWord(std::string(body.substr(equals + 1)), waiting);
        }
      } else if (!word.empty() && word[0] == '-') {
        EndWait(waiting);
        if (!TakeShortSwitches(std::string_view(word).substr(1))) return false;
      } else {
        TakeWord(word, waiting);
      }
    }
    EndWait(waiting);
    return true;
  };

  if (!WalkSucceeds(walk)) {
    std::string rest;
    for (size_t i = index; i < words.size(); ++i) rest += (i > index ? " " : "") + words[i];
    ReportParseError(rest, 0);
    return false;
  }
  Parsed = true;
  return true;
}

std::string TCommandLineReader::OptionText(const std::string& name) {
  if (!Parsed) ParseProcessCommandLine();
  return LookupOption(name).TextValue;
}

bool TCommandLineReader::OptionSwitch(const std::string& name) {
  if (!Parsed) ParseProcessCommandLine();
  const TProperty& option = LookupOption(name);
  if (option.Kind != TPropertyKind::okSwitch) {
    throw ECommandLineParseException("No flag property: " + name);
  }
  return option.SwitchValue;
}

TProperty& TCommandLineReader::LookupOption(const std::string& name) {
  const std::string lower = LowerCaseAscii(name);
  for (TProperty& option : Options) {
    if (option.Name == lower) return option;
  }
  throw ECommandLineParseException("Property not found: " + lower);
}

std::string TCommandLineReader::OptionListing(const std::string& prefix) const {
  std::string listing;
  for (const TProperty& option : Options) {
    listing += prefix;
    listing += "--";
    listing += option.Name;
    if (option.Kind == TPropertyKind::okSwitch) {
      if (option.ShortChar != '\0') {
        listing += " or -";
        listing += option.ShortChar;
      }
    } else {
      listing += '=';
    }
    listing += '\t';
    listing += option.Description;
    listing += "\r\n";
  }
  return listing;
}

void TCommandLineReader::ReportParseError(const std::string& text, size_t position) {
  if (!OnParseError && !ShowErrorsAutomatically) return;
  std::string message = "Parse error at this position: ";
  if (position < text.size()) message += text.substr(position, kErrorContextLength);
  message += "\r\n";
  if (!Options.empty()) {
    message += ListingHeader + "\r\n\r\n" + OptionListing("");
  } else {
    message += "you are not allowed to use command line options starting with -";
  }
  if (OnParseError) OnParseError(message);
  if (ShowErrorsAutomatically) {
    WriteStandardOutput(message + "\n");
  }
}

}  // namespace pallograph
