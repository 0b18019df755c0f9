// The option reader: turns the process command line into a table of declared options and their
// values, and lists that table for the help text. It knows nothing of the program's options.
//
// Command-line text: long options "--name=value", "--name value" and (when allowed) "/name value";
// "--enable-name" / "--disable-name" for switches; short switches "-abc"; values in double or
// single quotes. Not shared between threads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exception.h"

namespace pallograph {

enum class TPropertyKind : uint8_t {
  okText = 0,
  okPath = 1,
  okInteger = 2,
  okFloat = 3,
  okSwitch = 4
};

// One declared option.
struct TProperty {
  std::string Name;  // lower-cased at declaration
  std::string Description;
  std::string TextValue;  // raw value text; starts as the declared default
  bool Seen = false;      // occurred on the last parsed command line
  TPropertyKind Kind = TPropertyKind::okText;
  bool SwitchValue = false;
  bool SwitchDefault = false;
  char ShortChar = '\0';  // one-letter abbreviation of a switch; '\0' = none
  int32_t IntValue = 0;
  long double FloatValue = 0;
};

// Raised by OptionSwitch and LookupOption only; parse errors never raise to the caller.
class ECommandLineParseException : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ECommandLineParseException"; }
};

class TCommandLineReader {
 public:
  TCommandLineReader();

  // Declarations append to Options (no duplicate check) and return the new entry; the reference
  // stays valid until the next declaration.
  TProperty& AddOption(const std::string& name, const std::string& description, TPropertyKind kind,
                       const std::string& defaultText);
  TProperty& AddSwitch(const std::string& name, const std::string& description, bool defaultValue,
                       char shortChar);
  TProperty& AddSwitch(const std::string& name, const std::string& description, bool defaultValue);
  TProperty& AddPathOption(const std::string& name, const std::string& description,
                           const std::string& defaultText);
  TProperty& AddTextOption(const std::string& name, const std::string& description,
                           const std::string& defaultText);

  // The text ParseProcessCommandLine parses (program name first, as the system passes it; see
  // platform/CommandLineText.h). Empty until set.
  void SetProcessCommandLine(std::string text) { processCommandLine_ = std::move(text); }
  const std::string& ProcessCommandLine() const { return processCommandLine_; }
  // The process's arguments as words that the system has already split and unquoted (POSIX,
  // without the program name). Once set, ParseProcessCommandLine parses these words instead of
  // the text, so that every value arrives exactly as given.
  void SetProcessArguments(std::vector<std::string> words) {
    processArguments_ = std::move(words);
    hasProcessArguments_ = true;
  }

  // With process arguments set, parses them (ParseArgumentWords). Otherwise drops the program
  // name from the process command line (up to the closing quote when it starts with '"', else up
  // to the first blank) and parses the rest; false for an empty text.
  bool ParseProcessCommandLine();
  // Parses the argument text into the declared options. True when the walk reached the end of
  // the text (Parsed is then true); false after a parse error, which went to ReportParseError.
  // An unquoted path value runs over blanks until it names an existing file or folder; one that
  // never does is a parse error at its first word.
  bool ParseArguments(const std::string& text);
  // Parses words the way ParseArguments parses the text's words, each word whole: "--name=value"
  // and "--name" followed by a value word set the value exactly as the word holds it (quotes and
  // blanks included); "-abc" are short switches; other words are values or free arguments.
  bool ParseArgumentWords(const std::vector<std::string>& words);

  // Value text of the named option (any kind); parses the process command line first when no
  // parse succeeded yet. Raises ECommandLineParseException for an undeclared name.
  std::string OptionText(const std::string& name);
  // Value of the named switch; parses first like OptionText. Raises ECommandLineParseException
  // for an undeclared name ("Property not found: ") or a non-switch ("No flag property: ").
  bool OptionSwitch(const std::string& name);
  // The first option with the lower-cased name; raises ECommandLineParseException otherwise.
  TProperty& LookupOption(const std::string& name);
  // One line per option in declaration order: prefix, "--" + name, " or -c" for a switch with a
  // short char, "=" for a non-switch, "\t", description, "\r\n".
  std::string OptionListing(const std::string& prefix) const;

  bool Parsed = false;
  std::vector<TProperty> Options;
  std::vector<std::string> FreeArguments;  // words that are not option values
  // Words the last parse passed over without effect: short switches with a letter that
  // abbreviates no switch ("-x", "-wot-path=..."), "--enable-"/"--disable-" names of no switch.
  std::vector<std::string> IgnoredWords;
  // Names of options that waited for a value and got none: another option or the end followed
  // the name without "=". Such an option keeps its text.
  std::vector<std::string> ValuelessOptions;
  std::string ListingHeader = "The following command line options are valid: ";
  std::string FailedOption;  // undeclared long option that stopped the last parse
  // Receives every parse-error message (see ReportParseError).
  std::function<void(const std::string&)> OnParseError;
  bool ShowErrorsAutomatically = true;  // write parse errors to standard output by itself
  bool AllowSlashOptions;               // "/name" starts a long option (platform default)

 private:
  // Builds the message for a parse that failed at `position` of `text`, hands it to
  // OnParseError and, with ShowErrorsAutomatically, writes it as one line to standard output.
  void ReportParseError(const std::string& text, size_t position);

  TProperty* FindOption(std::string_view name, bool switchesOnly);
  // A long option's name (without "--"): sets a switch or makes the option wait for its value.
  // False for an undeclared name (FailedOption is set). The option waiting before has ended.
  bool TakeLongOption(std::string_view name, TProperty*& waiting);
  // The letters of a short switch word; false for none. A letter that abbreviates no switch
  // puts the word into IgnoredWords.
  bool TakeShortSwitches(std::string_view letters);
  // The option waiting for a value gets none: it goes into ValuelessOptions.
  void EndWait(TProperty*& waiting);
  // A word ends the wait: it becomes the waiting option's value or a free argument.
  void TakeWord(const std::string& word, TProperty*& waiting);
  void StartParse();

  std::string processCommandLine_;
  std::vector<std::string> processArguments_;
  bool hasProcessArguments_ = false;
};

}  // namespace pallograph
