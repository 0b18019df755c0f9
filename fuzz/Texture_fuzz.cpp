// Repaint and shade arbitrary bytes as if they were DDS files from a package: neither may read
// outside the data, and a failure must leave the bytes as they were.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "texture/DDSTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pallograph;
  const std::vector<uint8_t> input(data, data + size);
  std::vector<uint8_t> stream = input;
  const bool eightDigits = size > 0 && (data[0] & 1);
  if (!RepaintDDS(stream, eightDigits ? "#80402010" : "#804020") && stream != input) {
    __builtin_trap();
  }
  stream = input;
  const int percent = size > 1 ? data[size - 1] : 100;
  if (!ShadeDDS(stream, percent) && stream != input) __builtin_trap();
  return 0;
}
