#include "packaging/PackagingTestHelpers.h"

#include <regex>

#include "platform/PathText.h"
#include "run/OptionTable.h"
#include "run/UsageCheck.h"

namespace pallograph::test {

std::map<std::string, TProperty> DeclaredOptions() {
  TCommandLineReader reader;
  DeclareOptions(reader);
  std::map<std::string, TProperty> options;
  for (const TProperty& option : reader.Options) options.emplace(option.Name, option);
  return options;
}

std::multiset<std::string> OptionWords(const std::string& text) {
  static const std::regex kWord(R"((^|[\s,(\[])(--([A-Za-z0-9][A-Za-z0-9-]*)(=?)|-([A-Za-z])\b))");
  std::multiset<std::string> words;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kWord);
       it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    if (m[3].matched) {
      words.insert("--" + LowerCaseAscii(m[3].str()) + m[4].str());
    } else {
      words.insert("-" + m[5].str());
    }
  }
  return words;
}

std::string CompareWithOptionTable(const std::multiset<std::string>& documented) {
  std::multiset<std::string> expected;
  for (const auto& [name, option] : DeclaredOptions()) {
    expected.insert("--" + name + (option.Kind == TPropertyKind::okSwitch ? "" : "="));
    if (option.ShortChar != '\0') expected.insert(std::string("-") + option.ShortChar);
  }
  // The words a lone help or version request is made of, as far as they are option words.
  for (const char* word : kHelpWords) {
    if (!OptionWords(word).empty()) expected.insert(word);
  }
  expected.insert(kVersionWord);
  std::set<std::string> words(expected.begin(), expected.end());
  words.insert(documented.begin(), documented.end());
  std::string report;
  for (const std::string& word : words) {
    const size_t want = expected.count(word);
    const size_t have = documented.count(word);
    if (have < want) report += "Missing: " + word + "\n";
    if (have > want) {
      report += (want == 0 ? "Not in the option table: " : "Listed more than once: ") + word + "\n";
    }
  }
  return report;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace pallograph::test
