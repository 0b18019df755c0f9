// The pattern operations with arbitrary keys, values, name lists and patterns on arbitrary data.
// The input is split at 0xFF bytes into: pattern, replacement, key, new value, include name,
// exclude path, then the data. Neither operation may change the data's length or touch bytes
// outside it; ReplaceBytes must leave the data unchanged when nothing matched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mods/BinaryOps.h"
#include "platform/Exception.h"

namespace {

std::vector<std::string> Fields(const uint8_t* data, size_t size, size_t count, size_t& rest) {
  std::vector<std::string> fields;
  size_t at = 0;
  while (fields.size() < count) {
    size_t end = at;
    while (end < size && data[end] != 0xFF) ++end;
    fields.emplace_back(reinterpret_cast<const char*>(data) + at, end - at);
    at = end < size ? end + 1 : size;
  }
  rest = at;
  return fields;
}

pallograph::TStrArray ListOf(const std::string& item) {
  return item.empty() ? pallograph::TStrArray{} : pallograph::TStrArray{item};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pallograph;
  if (size < 1) return 0;
  const bool pad = data[0] & 1;
  const bool all = data[0] & 2;
  size_t rest = 0;
  const std::vector<std::string> f = Fields(data + 1, size - 1, 6, rest);
  const TBytesArray input(data + 1 + rest, data + size);

  TBytesArray patched = input;
  try {
    const bool replaced = ReplaceBytes(patched, TBytesArray(f[0].begin(), f[0].end()),
                                       TBytesArray(f[1].begin(), f[1].end()), pad, all);
    if (patched.size() != input.size() || (!replaced && patched != input)) __builtin_trap();
  } catch (const ERangeError&) {
    if (patched.size() != input.size()) __builtin_trap();
  }
  patched = input;
  try {
    const TStrArray keys = f[2].empty() ? DiffuseAOKeys : MakeKeyPatterns({f[2]});
    const bool replaced =
        ReplaceKeyValue(patched, keys, f[3], ListOf(f[4]), InsideMarks, NoStrings, ListOf(f[5]));
    if (patched.size() != input.size() || (!replaced && patched != input)) __builtin_trap();
  } catch (const ERangeError&) {
    if (patched.size() != input.size()) __builtin_trap();
  }
  return 0;
}
