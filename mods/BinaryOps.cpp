#include "mods/BinaryOps.h"

#include <algorithm>
#include <cstring>

#include "platform/Exception.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// A key of ReplaceKeyValue starting at `j`: the first two bytes are tested first, as most
// positions fail there.
bool KeyAt(const TBytesArray& data, size_t j, const std::string& key) {
  if (key.empty() || j + key.size() > data.size()) return false;
  if (data[j] != static_cast<uint8_t>(key[0])) return false;
  return std::memcmp(data.data() + j + 1, key.data() + 1, key.size() - 1) == 0;
}

}  // namespace

TBytesArray StreamToBytes(TStream& stream) {
  TBytesArray bytes;
  const int64_t size = stream.Size();
  if (size <= 0 || !stream.Seek(0)) return bytes;
  bytes.resize(static_cast<size_t>(size));
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t got = stream.Read(bytes.data() + done, bytes.size() - done);
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

TBytesArray FileToBytes(const std::string& path) {
  TBytesArray bytes;
  if (!FileExists(path)) return bytes;
  if (!ReadFileBytes(path, bytes)) throw EInOutError("Unable to read file: " + path);
  return bytes;
}

std::string BytesToString(const TBytesArray& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

bool BytesToFile(const TBytesArray& bytes, const std::string& path) noexcept {
  try {
    const std::string folder = ExtractFilePath(path);
    if (!folder.empty() && !ForceDirectories(folder)) return false;
    TFile file;
    if (!file.Open(path, TFile::Mode::Create)) return false;
    const bool written = !bytes.empty() && file.WriteExact(bytes.data(), bytes.size());
    return file.Close() && written;
  } catch (...) {
    return false;
  }
}

uint8_t Base64Index(char ch) {
  const char* found = std::strchr(kBase64Alphabet, ch);
  if (ch == '\0' || found == nullptr) return 64;
  return static_cast<uint8_t>(found - kBase64Alphabet);
}

TBytesArray Base64ToBytes(std::string_view text) {
  TBytesArray bytes;
  if (text.size() % 4 != 0) return bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const unsigned a = Base64Index(text[i]), b = Base64Index(text[i + 1]);
    const unsigned c = Base64Index(text[i + 2]), d = Base64Index(text[i + 3]);
    bytes.push_back(static_cast<uint8_t>((a << 2) | (b >> 4)));
    bytes.push_back(static_cast<uint8_t>((b << 4) | (c >> 2)));
    bytes.push_back(static_cast<uint8_t>((c << 6) | d));
  }
  return bytes;
}

TStrArray MakeStrArray(std::initializer_list<std::string_view> items) {
  TStrArray list;
  for (std::string_view item : items)
    if (!item.empty()) list.emplace_back(item);
  return list;
}

TStrArray MakeKeyPatterns(std::initializer_list<std::string_view> items) {
  TStrArray list;
  for (std::string_view item : items) {
    if (item.empty()) continue;
    list.emplace_back(item);
    const TBytesArray decoded = Base64ToBytes(item);
    if (!decoded.empty()) list.push_back(BytesToString(decoded));
  }
  return list;
}

TBytesArray PadBytes(const TBytesArray& pattern, const TBytesArray& replacement) {
  TBytesArray padded = replacement;
  if (padded.size() < pattern.size()) padded.resize(pattern.size(), 0);
  return padded;
}

bool ReplaceBytes(TBytesArray& data, const TBytesArray& pattern, const TBytesArray& replacement,
                  bool pad, bool all) {
  const size_t n = data.size(), m = pattern.size();
  if (n < 1 || m < 1) return false;
  const TBytesArray r = pad ? PadBytes(pattern, replacement) : replacement;
  // The last two start positions are never examined.
  if (n < m + 2) return false;
  const size_t end = n - m - 1;
  bool result = false;
  size_t p = 0;
  while (p < end) {
    const void* hit = std::memchr(data.data() + p, pattern[0], end - p);
    if (hit == nullptr) break;
    p = static_cast<size_t>(static_cast<const uint8_t*>(hit) - data.data());
    if (std::memcmp(data.data() + p, pattern.data(), m) != 0) {
      ++p;
      continue;
    }
    if (r.size() > n - p)
      throw ERangeError("Replacement of " + std::to_string(r.size()) + " bytes at offset " +
                        std::to_string(p) + " runs past the end of " + std::to_string(n) +
                        " bytes");
    std::copy(r.begin(), r.end(), data.begin() + static_cast<ptrdiff_t>(p));
    result = true;
    if (!all) return true;
    // An empty replacement writes nothing: step on so that the scan cannot stall.
    p += std::max<size_t>(r.size(), 1);
  }
  return result;
}

bool ReplaceText(TBytesArray& data, const std::string& patternText,
                 const std::string& replacementText, bool pad, bool all) {
  return ReplaceBytes(data, TBytesArray(patternText.begin(), patternText.end()),
                      TBytesArray(replacementText.begin(), replacementText.end()), pad, all);
}

bool ListContains(const TStrArray& list, const std::string& text) {
  if (text.empty() || list.empty()) return false;
  const std::string lower = LowerCaseAscii(text);
  for (const std::string& item : list)
    if (!item.empty() && lower.find(LowerCaseAscii(item)) != std::string::npos) return true;
  return false;
}

bool ReplaceKeyValue(TBytesArray& data, const TStrArray& keys, const std::string& newValue,
                     const TStrArray& includeNames, const TStrArray& excludeNames,
                     const TStrArray& includePaths, const TStrArray& excludePaths) {
  if (data.empty() || keys.empty() || newValue.empty()) return false;
  size_t longest = 0;
  for (const std::string& key : keys) longest = std::max(longest, key.size());
  const size_t n = data.size();
  if (n < longest + 2) return false;
  const size_t end = n - longest - 1;
  const bool includeTest = !includeNames.empty() || !includePaths.empty();
  const bool excludeTest = !excludeNames.empty() || !excludePaths.empty();
  // Most positions hold no key's first byte: rule them out with one table look-up.
  bool firstBytes[256] = {};
  for (const std::string& key : keys)
    if (!key.empty()) firstBytes[static_cast<uint8_t>(key[0])] = true;
  bool result = false;
  size_t j = 0;
  while (j < end) {
    if (!firstBytes[data[j]]) {
      ++j;
      continue;
    }
    const std::string* key = nullptr;
    for (const std::string& candidate : keys) {
      if (KeyAt(data, j, candidate)) {
        key = &candidate;
        break;
      }
    }
    if (key == nullptr) {
      ++j;
      continue;
    }
    if (j < 4)
      throw ERangeError("Key \"" + *key + "\" at offset " + std::to_string(j) +
                        " has no length byte before it");
    const size_t count = data[j - 4];
    if (count > n - j)
      throw ERangeError("Stored length " + std::to_string(count) + " at offset " +
                        std::to_string(j) + " runs past the end of " + std::to_string(n) +
                        " bytes");
    // A stored length of 0 holds no value to replace.
    if (count == 0) {
      ++j;
      continue;
    }
    std::string value;
    if (count > key->size())
      value.assign(data.begin() + static_cast<ptrdiff_t>(j + key->size()),
                   data.begin() + static_cast<ptrdiff_t>(j + count));
    value = SlashesToBackslashes(value);
    const std::string name = ExtractFileName(value);
    const std::string folder = ExtractFilePath(value);
    if (includeTest && !(ListContains(includeNames, name) || ListContains(includePaths, folder))) {
      ++j;
      continue;
    }
    if (excludeTest && (ListContains(excludeNames, name) || ListContains(excludePaths, folder))) {
      ++j;
      continue;
    }
    const std::string newText = *key + newValue;
    for (size_t l = 0; l < count; ++l)
      data[j + l] = l < newText.size() ? static_cast<uint8_t>(newText[l]) : 0;
    result = true;
    j += count;
  }
  return result;
}

const TStrArray NoStrings = MakeStrArray();
const TStrArray DiffuseKeys = MakeKeyPatterns("diffuseMap");
const TStrArray DiffuseAOKeys = MakeKeyPatterns("diffuseMap", "excludeMaskAndAOMap");
const TStrArray InsideMarks = MakeStrArray("_inside");

}  // namespace pallograph
