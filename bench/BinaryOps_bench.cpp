// Pattern scans over a model-file-sized and a space.bin-sized buffer. The peer is a plain
// position-by-position scan comparing the pattern's ends first, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "mods/BinaryOps.h"

namespace {

using pallograph::TBytesArray;

const std::string kCrashShader = "shaders/std_effects/PBS_tank_crash.fx";
const std::string kTankShader = "shaders/std_effects/PBS_tank.fx";

// Random text-like bytes with the shader name every 4 KiB.
TBytesArray MakeData(size_t size) {
  std::mt19937 random(7);
  TBytesArray data(size);
  for (uint8_t& b : data) b = static_cast<uint8_t>('a' + random() % 26);
  for (size_t p = 1000; p + kCrashShader.size() + 2 < size; p += 4096)
    std::memcpy(data.data() + p, kCrashShader.data(), kCrashShader.size());
  return data;
}

bool PlainScan(TBytesArray& data, const TBytesArray& pattern, const TBytesArray& replacement) {
  const size_t n = data.size(), m = pattern.size();
  bool result = false;
  for (size_t p = 0; p + m + 1 < n; ++p) {
    if (data[p] != pattern[0] || data[p + 1] != pattern[1] || data[p + 2] != pattern[2]) continue;
    if (data[p + m - 1] != pattern[m - 1] || data[p + m - 2] != pattern[m - 2]) continue;
    bool same = true;
    for (size_t i = 3; i + 2 < m && same; ++i) same = data[p + i] == pattern[i];
    if (!same) continue;
    std::copy(replacement.begin(), replacement.end(), data.begin() + static_cast<ptrdiff_t>(p));
    result = true;
    p += replacement.size() - 1;
  }
  return result;
}

void BM_ReplaceBytes(benchmark::State& state) {
  const TBytesArray source = MakeData(static_cast<size_t>(state.range(0)));
  const TBytesArray pattern(kCrashShader.begin(), kCrashShader.end());
  const TBytesArray replacement =
      pallograph::PadBytes(pattern, TBytesArray(kTankShader.begin(), kTankShader.end()));
  for (auto _ : state) {
    TBytesArray data = source;
    benchmark::DoNotOptimize(pallograph::ReplaceBytes(data, pattern, replacement, false, true));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_PlainScanPeer(benchmark::State& state) {
  const TBytesArray source = MakeData(static_cast<size_t>(state.range(0)));
  const TBytesArray pattern(kCrashShader.begin(), kCrashShader.end());
  const TBytesArray replacement =
      pallograph::PadBytes(pattern, TBytesArray(kTankShader.begin(), kTankShader.end()));
  for (auto _ : state) {
    TBytesArray data = source;
    benchmark::DoNotOptimize(PlainScan(data, pattern, replacement));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_ReplaceKeyValue(benchmark::State& state) {
  const TBytesArray source = MakeData(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    TBytesArray data = source;
    benchmark::DoNotOptimize(pallograph::ReplaceKeyValue(
        data, pallograph::DiffuseAOKeys, "vehicles/tank_crash.dds", pallograph::NoStrings,
        pallograph::InsideMarks, pallograph::NoStrings, pallograph::InsideMarks));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_ReplaceBytes)->Arg(64 << 10)->Arg(16 << 20);
BENCHMARK(BM_PlainScanPeer)->Arg(64 << 10)->Arg(16 << 20);
BENCHMARK(BM_ReplaceKeyValue)->Arg(64 << 10)->Arg(16 << 20);

}  // namespace

BENCHMARK_MAIN();
