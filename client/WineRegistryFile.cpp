#include "client/WineRegistryFile.h"

#include "platform/PathText.h"
#include "platform/Utf16Text.h"

namespace pallograph {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The character an escape letter stands for; the letter itself for any other.
wchar_t EscapedCharacter(char letter) {
  switch (letter) {
    case 'a':
      return L'\a';
    case 'b':
      return L'\b';
    case 'e':
      return 0x1B;
    case 'f':
      return L'\f';
    case 'n':
      return L'\n';
    case 'r':
      return L'\r';
    case 't':
      return L'\t';
    case 'v':
      return L'\v';
    default:
      return static_cast<unsigned char>(letter);
  }
}

size_t LineEnd(std::string_view text, size_t from) {
  const size_t end = text.find('\n', from);
  return end == std::string_view::npos ? text.size() : end;
}

size_t NextLine(std::string_view text, size_t from) {
  const size_t end = LineEnd(text, from);
  return end < text.size() ? end + 1 : end;
}

}  // namespace

std::optional<std::string> UnescapeWineRegistryText(std::string_view text, size_t start, char quote,
                                                    size_t& end) {
  std::wstring units;
  size_t i = start;
  size_t run = i;  // start of the bytes not yet converted
  const auto flush = [&](size_t to) {
    if (to > run) units += Utf8ToWide(text.substr(run, to - run));
  };
  while (i < text.size() && text[i] != '\n') {
    const char c = text[i];
    if (c == quote) {
      flush(i);
      end = i + 1;
      return WideToUtf8(units);
    }
    if (c != '\\') {
      ++i;
      continue;
    }
    flush(i);
    if (++i >= text.size() || text[i] == '\n') return std::nullopt;
    const char letter = text[i++];
    if (letter == 'x') {
      unsigned value = 0;
      int digits = 0;
      for (; digits < 4 && i < text.size() && HexDigit(text[i]) >= 0; ++digits, ++i) {
        value = value * 16 + static_cast<unsigned>(HexDigit(text[i]));
      }
      // "\x" without a digit stands for the letter.
      units.push_back(digits == 0 ? L'x' : static_cast<wchar_t>(value));
    } else if (letter >= '0' && letter <= '7') {
      unsigned value = static_cast<unsigned>(letter - '0');
      for (int digits = 1; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7';
           ++digits, ++i) {
        value = value * 8 + static_cast<unsigned>(text[i] - '0');
      }
      units.push_back(static_cast<wchar_t>(value));
    } else {
      units.push_back(EscapedCharacter(letter));
    }
    run = i;
  }
  return std::nullopt;
}

bool TWineRegistryFile::Load(std::string text) {
  text_.clear();
  sections_.clear();
  // The header may follow a byte-order mark and end in CR LF.
  size_t at = StartsWith(text, "\xEF\xBB\xBF") ? 3 : 0;
  if (text.compare(at, kHeader.size(), kHeader) != 0) return false;
  text_ = std::move(text);
  const std::string_view all(text_);
  for (at = NextLine(all, at); at < all.size(); at = NextLine(all, at)) {
    if (all[at] != '[') continue;
    size_t end = 0;
    const std::optional<std::string> name = UnescapeWineRegistryText(all, at + 1, ']', end);
    if (!name) continue;
    sections_.emplace(LowerCaseAscii(*name), NextLine(all, end));
  }
  return true;
}

std::optional<std::string> TWineRegistryFile::ReadString(std::string_view key,
                                                         std::string_view value) const {
  const auto section = sections_.find(LowerCaseAscii(key));
  if (section == sections_.end()) return std::nullopt;
  const std::string_view all(text_);
  bool continued = false;  // the line before ended in '\': this one goes on with its data
  for (size_t at = section->second; at < all.size(); at = NextLine(all, at)) {
    const size_t line_end = LineEnd(all, at);
    const std::string_view line = all.substr(at, line_end - at);
    const bool was_continued = continued;
    continued = !line.empty() && (line.back() == '\\' || (line.size() > 1 && line.back() == '\r' &&
                                                          line[line.size() - 2] == '\\'));
    if (was_continued || line.empty()) continue;
    if (line[0] == '[') break;  // the next key
    size_t after_name = 0;
    std::optional<std::string> name;
    if (line[0] == '@') {
      name = std::string();
      after_name = at + 1;
    } else if (line[0] == '"') {
      name = UnescapeWineRegistryText(all, at + 1, '"', after_name);
    }
    if (!name || !SameTextAscii(*name, value)) continue;
    std::string_view data = all.substr(after_name, line_end - after_name);
    if (!StartsWith(data, "=")) return std::nullopt;
    data.remove_prefix(1);
    size_t skipped = 1;
    if (StartsWith(data, "str(2):")) {
      data.remove_prefix(7);
      skipped += 7;
    }
    if (!StartsWith(data, "\"")) return std::nullopt;  // a number or binary data
    size_t end = 0;
    return UnescapeWineRegistryText(all, after_name + skipped + 1, '"', end);
  }
  return std::nullopt;
}

}  // namespace pallograph
