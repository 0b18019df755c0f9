#include "archive/WotmodMeta.h"

#include <string_view>

#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

// Splits at the first '|': the trimmed text before it, and the rest after it.
bool SplitField(std::string_view text, std::string& field, std::string_view& rest) {
  const size_t bar = text.find('|');
  if (bar == std::string_view::npos) return false;
  field = Trim(text.substr(0, bar));
  rest = text.substr(bar + 1);
  return true;
}

// The value as XML character data: the five markup characters become entities.
std::string EscapeXml(const std::string& value) {
  std::string text;
  text.reserve(value.size());
  for (const char c : value) {
    switch (c) {
      case '&':
        text += "&amp;";
        break;
      case '<':
        text += "&lt;";
        break;
      case '>':
        text += "&gt;";
        break;
      case '"':
        text += "&quot;";
        break;
      case '\'':
        text += "&apos;";
        break;
      default:
        text.push_back(c);
    }
  }
  return text;
}

}  // namespace

RMeta MakeMeta(int kind, const std::string& versionText, const std::string& customText) {
  RMeta meta;
  if (customText.empty()) {
    if (kind >= 0 && static_cast<size_t>(kind) < kModKinds.size()) {
      const RModKind& row = kModKinds[static_cast<size_t>(kind)];
      meta = {row.Id, versionText, row.Name, row.Description};
    }
    return meta;
  }
  std::string_view rest;
  if (!SplitField(customText, meta.id, rest)) {
    meta.id = Trim(customText);
    return meta;
  }
  if (!SplitField(rest, meta.version, rest)) return meta;
  if (!SplitField(rest, meta.name, rest)) {
    return meta;
  }
  meta.description = Trim(rest);
  return meta;
}

std::string FormatMetaText(const RMeta& meta) {
  const std::string* values[] = {&meta.id, &meta.version, &meta.name, &meta.description};
  const std::string_view format = kMetaTemplate;
  std::string text;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next < 4) {
      text += EscapeXml(*values[next++]);
      ++i;
    } else {
      text.push_back(format[i]);
    }
  }
  return text;
}

std::string MakeMetaText(int kind, const std::string& versionText, const std::string& customText) {
  return FormatMetaText(MakeMeta(kind, versionText, customText));
}

bool WriteMetaFile(const std::string& path, const std::string& metaText) {
  std::string content;
  size_t start = 0;
  while (start < metaText.size()) {
    size_t end = metaText.find_first_of("\r\n", start);
    if (end == std::string::npos) end = metaText.size();
    content.append(metaText, start, end - start);
    content += "\r\n";
    if (end < metaText.size() && metaText[end] == '\r' && end + 1 < metaText.size() &&
        metaText[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return WriteFileBytes(path, content.data(), content.size());
}

std::string InsertPartSuffix(const std::string& metaText, size_t part) {
  size_t at = metaText.find("</id>");
  if (at == std::string::npos) return metaText;
  while (at > 0 && (metaText[at - 1] == ' ' || metaText[at - 1] == '\t')) --at;
  std::string text = metaText;
  text.insert(at, "_Part" + std::to_string(part));
  return text;
}

std::string WotmodFileName(int kind, const std::string& nameOption, const std::string& versionText,
                           bool subfolder, const std::string& subfolderName) {
  std::string name;
  if (subfolder) {
    const std::string folder = StripTrailingBackslashes(subfolderName);
    name = (folder.empty() ? std::string("Pallograph") : folder) + kPathDelim;
  }
  if (!nameOption.empty()) {
    name += nameOption;
  } else if (kind >= 0 && static_cast<size_t>(kind) < kModKinds.size()) {
    name += std::string(kModKinds[static_cast<size_t>(kind)].Id) + "_" + versionText;
  }
  return name + ".wotmod";
}

}  // namespace pallograph
