// Config text from an untrusted source (a download, a user's edit): the parser, its account of
// what is wrong and the refresh's version rule must take any bytes, and the wildcard matcher any
// pattern and name; its answer is checked against a plain table of which pattern prefix matches
// which text prefix.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "configs/CfgFile.h"
#include "configs/CfgLines.h"
#include "platform/NamePattern.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool TableMatch(std::string_view pattern, std::string_view text) {
  // row[j]: the pattern so far matches the first j characters of the text.
  std::vector<char> row(text.size() + 1, 0);
  row[0] = 1;
  for (const char p : pattern) {
    std::vector<char> next(text.size() + 1, 0);
    if (p == '*') {
      next[0] = row[0];
      for (size_t j = 1; j <= text.size(); ++j) next[j] = row[j] || next[j - 1];
    } else {
      for (size_t j = 1; j <= text.size(); ++j) {
        next[j] = row[j - 1] && (p == '?' || Lower(p) == Lower(text[j - 1]));
      }
    }
    row.swap(next);
  }
  return row[text.size()] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const pallograph::RCfgFile cfg = pallograph::ParseCfgText(text, "Fuzz.cfg");
  // Refused text gives nothing at all; a usable config has a version and a root.
  if (!cfg.Problem.empty() && (cfg.Version != 0 || !cfg.Roots.empty())) __builtin_trap();
  if (pallograph::CfgUnusableReason(cfg).empty() != (cfg.Version > 0 && !cfg.Roots.empty()))
    __builtin_trap();
  for (const pallograph::RFiles& root : cfg.Roots) {
    if (root.Count != static_cast<int32_t>(root.Files.size()) || root.Name.empty())
      __builtin_trap();
    for (const std::string& name : root.Files) {
      if (pallograph::MatchesPattern(root.Name, name) != TableMatch(root.Name, name))
        __builtin_trap();
    }
  }
  (void)pallograph::FindCfgVersion(pallograph::SplitCfgLines(text));
  return 0;
}
