#include "configs/CfgFile.h"

#include <algorithm>

#include "configs/CfgLines.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

// How much of a line that looks like a version line a message quotes.
constexpr size_t kQuotedLineLimit = 60;

// Text in UTF-16: a byte-order mark, or, in its first bytes, a zero byte in every other place
// beside a non-zero one (how ASCII letters look in UTF-16).
bool LooksLikeUtf16(std::string_view text) {
  if (StartsWith(text, "\xFF\xFE") || StartsWith(text, "\xFE\xFF")) return true;
  const size_t pairs = std::min<size_t>(text.size(), 512) / 2;
  size_t little = 0, big = 0;
  for (size_t i = 0; i < pairs; ++i) {
    const char first = text[2 * i], second = text[2 * i + 1];
    if (first != '\0' && second == '\0') ++little;
    if (first == '\0' && second != '\0') ++big;
  }
  return pairs > 0 && (little * 2 >= pairs || big * 2 >= pairs);
}

bool IsConflictMarker(std::string_view line) {
  return StartsWith(line, "<<<<<<<") || StartsWith(line, ">>>>>>>") || StartsWith(line, "|||||||");
}

// Why the text is no config text; "" when it is. Lines are counted as SplitCfgLines splits them.
std::string TextProblem(std::string_view text) {
  if (LooksLikeUtf16(text)) return "it is written in UTF-16 (save it as UTF-8 text)";
  int32_t line = 1;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool end = i == text.size() || text[i] == '\r' || text[i] == '\n';
    if (end) {
      if (IsConflictMarker(text.substr(start, i - start))) {
        return "line " + std::to_string(line) + " is a merge-conflict marker";
      }
      if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
      start = i + 1;
      ++line;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == 0) return "line " + std::to_string(line) + " holds a NUL byte";
    if ((c < 0x20 && c != '\t') || c == 0x7F) {
      static const char kHex[] = "0123456789ABCDEF";
      return "line " + std::to_string(line) + " holds a control character (0x" + kHex[c >> 4] +
             kHex[c & 15] + ")";
    }
  }
  return {};
}

// "version=2", "Version = 2", "version\t= 2": the word in any case, blanks or none, then "=".
bool LooksLikeVersionLine(std::string_view text) {
  if (text.size() < 8 || LowerCaseAscii(text.substr(0, 7)) != "version") return false;
  const size_t equals = text.find_first_not_of(" \t", 7);
  return equals != std::string_view::npos && text[equals] == '=';
}

void ParseLines(const std::vector<std::string>& lines, RCfgFile& cfg) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::string text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    if (StartsWith(text, "version =")) {
      cfg.Version = CfgVersionValue(text);
      continue;
    }
    if (cfg.VersionLookalikeLine == 0 && LooksLikeVersionLine(text)) {
      cfg.VersionLookalike = text.substr(0, kQuotedLineLimit);
      cfg.VersionLookalikeLine = static_cast<int32_t>(i + 1);
    }
    if (line.front() != '\t' && line.front() != ' ') {
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
  cfg.Problem = TextProblem(text);
  if (cfg.Problem.empty()) ParseLines(SplitCfgLines(text), cfg);
  return cfg;
}

RCfgFile ParseCfgFile(const std::string& path) {
  RCfgFile cfg;
  cfg.FileName = path;
  std::vector<uint8_t> bytes;
  const TBoundedRead read = ReadFileUpTo(path, kMaxCfgFileSize, bytes);
  if (read == TBoundedRead::TooLarge) {
    cfg.Problem = "it is larger than " + std::to_string(kMaxCfgFileSize / (1024 * 1024)) + " MiB";
  }
  if (read != TBoundedRead::Read) return cfg;
  return ParseCfgText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      path);
}

std::string CfgUnusableReason(const RCfgFile& cfg) {
  if (!cfg.Problem.empty()) return "cannot be read: " + cfg.Problem;
  if (cfg.Version <= 0) {
    if (cfg.VersionLookalikeLine > 0) {
      const std::string& seen = cfg.VersionLookalike;
      const std::string value = Trim(std::string_view(seen).substr(seen.find('=') + 1));
      return "has no version line: line " + std::to_string(cfg.VersionLookalikeLine) + " \"" +
             seen + "\" is not one; write \"version = " + value +
             "\" (small letters, one blank on each side of \"=\")";
    }
    return "has no version line \"version = N\" with N of 1 or more";
  }
  if (cfg.Roots.empty()) return "lists no package or folder";
  return {};
}

}  // namespace pallograph
