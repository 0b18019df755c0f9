#include "platform/PathText.h"

#include <algorithm>

namespace pallograph {

namespace {
bool IsDelimOrDrive(char c) { return c == kPathDelim || c == ':'; }
}  // namespace

std::string IncludeTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (result.empty() || result.back() != kPathDelim) result += kPathDelim;
  return result;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (!result.empty() && result.back() == kPathDelim) result.pop_back();
  return result;
}

std::string StripTrailingBackslashes(std::string_view path) {
  std::string result(path);
  while (!result.empty() && result.back() == kPathDelim) result.pop_back();
  return result;
}

std::string ExtractFilePath(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsDelimOrDrive(path[i - 1])) return std::string(path.substr(0, i));
  }
  return {};
}

std::string ExtractFileDir(std::string_view path) {
  std::string folder = ExtractFilePath(path);
  if (folder.size() > 1 && folder.back() == kPathDelim && folder[folder.size() - 2] != ':' &&
      folder[folder.size() - 2] != kPathDelim) {
    folder.pop_back();
  }
  return folder;
}

std::string ExtractFileName(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsDelimOrDrive(path[i - 1])) return std::string(path.substr(i));
  }
  return std::string(path);
}

std::string ExtractFileExt(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i) {
    const char c = path[i - 1];
    if (c == '.') return std::string(path.substr(i - 1));
    if (IsDelimOrDrive(c)) break;
  }
  return {};
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  const std::string current = ExtractFileExt(path);
  std::string result(path.substr(0, path.size() - current.size()));
  result += ext;
  return result;
}

std::string SlashesToBackslashes(std::string_view text) {
  std::string result(text);
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
}

std::string BackslashesToSlashes(std::string_view text) {
  std::string result(text);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string LowerCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

std::string UpperCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && LowerCaseAscii(a) == LowerCaseAscii(b);
}

bool ContainsTextAscii(std::string_view haystack, std::string_view needle) {
  return LowerCaseAscii(haystack).find(LowerCaseAscii(needle)) != std::string::npos;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

bool IsSafeRelativePath(std::string_view path) {
  if (path.empty()) return false;
  if (path.front() == '\\' || path.front() == '/') return false;
  if (path.find(':') != std::string_view::npos) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    if (part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    if (c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace pallograph
