#include "configs/CfgFile.h"

#include "configs/CfgLines.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

void ParseLines(const std::vector<std::string>& lines, RCfgFile& cfg) {
  for (const std::string& line : lines) {
    const std::string text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    if (StartsWith(text, "version =")) {
      cfg.Version = CfgVersionValue(text);
    } else if (line.front() != '\t' && line.front() != ' ') {
      cfg.Roots.push_back(RFiles{text, {}, 0});
    } else if (!cfg.Roots.empty()) {
      RFiles& root = cfg.Roots.back();
      root.Files.push_back(text);
      root.Count = static_cast<int32_t>(root.Files.size());
    }
  }
}

}  // namespace

RCfgFile ParseCfgText(std::string_view text, const std::string& fileName) {
  RCfgFile cfg;
  cfg.FileName = fileName;
  ParseLines(SplitCfgLines(text), cfg);
  return cfg;
}

RCfgFile ParseCfgFile(const std::string& path) {
  RCfgFile cfg;
  cfg.FileName = path;
  std::vector<std::string> lines;
  if (ReadCfgLines(path, lines)) ParseLines(lines, cfg);
  return cfg;
}

}  // namespace pallograph
