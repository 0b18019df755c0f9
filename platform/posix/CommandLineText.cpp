#include "platform/CommandLineText.h"

#include <string_view>

namespace pallograph {

namespace {

bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

// The reader ends a quoted word at the next quote of the same kind, so pick the kind that the
// value does not hold. A value with both kinds cannot be passed whole; double quotes then.
std::string Quote(std::string_view value) {
  const char quote =
      (value.find('"') != std::string_view::npos && value.find('\'') == std::string_view::npos)
          ? '\''
          : '"';
  std::string result;
  result.reserve(value.size() + 2);
  result += quote;
  result += value;
  result += quote;
  return result;
}

std::string MapArgument(std::string_view arg) {
  if (arg.size() >= 2 && arg[0] == '-' && arg[1] == '-') {
    const size_t equals = arg.find('=');
    if (equals == std::string_view::npos) return std::string(arg);
    const std::string_view value = arg.substr(equals + 1);
    if (IsQuoted(value)) return std::string(arg);
    std::string mapped(arg.substr(0, equals + 1));
    mapped.append(Quote(value));
    return mapped;
  }
  if (!arg.empty() && arg[0] == '-') return std::string(arg);
  return Quote(arg);
}

}  // namespace

std::string ProcessCommandLineText(int argc, char** argv) {
  std::string text;
  if (argc <= 0 || argv == nullptr) return text;
  const std::string_view program = argv[0] ? argv[0] : "";
  if (program.empty() || program.find(' ') != std::string_view::npos) {
    text = "\"" + std::string(program) + "\"";
  } else {
    text = std::string(program);
  }
  for (int i = 1; i < argc; ++i) {
    text += ' ';
    text += MapArgument(argv[i] ? argv[i] : "");
  }
  return text;
}

bool ProcessArgumentWords(int argc, char** argv, std::vector<std::string>& words) {
  words.clear();
  for (int i = 1; argv != nullptr && i < argc; ++i) words.emplace_back(argv[i] ? argv[i] : "");
  return true;
}

bool SlashOptionsAllowed() { return false; }

}  // namespace pallograph
