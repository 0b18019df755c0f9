#include "configs/CfgLines.h"

#include <climits>

#include "configs/CfgFile.h"
#include "platform/FileSystem.h"
#include "platform/IntegerText.h"
#include "platform/PathText.h"

namespace pallograph {

std::vector<std::string> SplitCfgLines(std::string_view text) {
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

bool ReadCfgLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  std::vector<uint8_t> bytes;
  if (ReadFileUpTo(path, kMaxCfgFileSize, bytes) != TBoundedRead::Read) return false;
  lines =
      SplitCfgLines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return true;
}

std::string JoinCfgLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

int32_t CfgVersionValue(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return 0;
  std::string_view number = line.substr(equals + 1);
  while (!number.empty() && (number.front() == ' ' || number.front() == '\t'))
    number.remove_prefix(1);
  while (!number.empty() && static_cast<unsigned char>(number.back()) <= ' ')
    number.remove_suffix(1);
  int64_t value = 0;
  if (!ParseDecimal(number, value) || value < INT32_MIN || value > INT32_MAX) return 0;
  return static_cast<int32_t>(value);
}

int32_t FindCfgVersion(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (line.empty() || line.front() == '#') continue;
    if (line.find("version =") != std::string::npos) return CfgVersionValue(line);
  }
  return 0;
}

}  // namespace pallograph
