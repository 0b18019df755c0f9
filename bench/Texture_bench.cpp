// Encoding speed and quality of the texture codec against libsquish's cluster fit, on a corpus
// of real textures (raw files made by scripts/bench_texture.sh). Prints Google Benchmark's
// timings, then one table with throughput, RGB and alpha RMSE and the ratios to libsquish.
#include <benchmark/benchmark.h>
#include <squish.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "texture/BlockDecoder.h"
#include "texture/BlockEncoder.h"
#include "texture/ParallelEncoder.h"

namespace pallograph {
namespace {

std::vector<TBitmap> gCorpus;
TBitmap gLarge;  // 2048 x 2048 tiled from the corpus

// Raw corpus file: "width height\n" then width * height pixels B, G, R, A.
bool LoadRaw(const std::string& path, TBitmap& bitmap) {
  std::ifstream in(path, std::ios::binary);
  int width = 0, height = 0;
  if (!(in >> width >> height) || width <= 0 || height <= 0) return false;
  in.get();
  bitmap = TBitmap(width, height);
  in.read(reinterpret_cast<char*>(bitmap.Pixels.data()),
          static_cast<std::streamsize>(bitmap.Pixels.size() * 4));
  return static_cast<bool>(in);
}

double CorpusPixels() {
  double pixels = 0;
  for (const auto& b : gCorpus) pixels += static_cast<double>(b.Width) * b.Height;
  return pixels;
}

std::vector<uint8_t> EncodeOwn(const TBitmap& bitmap, bool dxt1, bool parallel) {
  std::vector<uint8_t> out(((bitmap.Width + 3) / 4) * ((bitmap.Height + 3) / 4) * (dxt1 ? 8 : 16));
  if (parallel) {
    EncodeDXTImageMT(out.data(), dxt1, bitmap.Width, ReadBitmapBlock, bitmap, bitmap.Height, false);
  } else {
    EncodeDXTImage(out.data(), dxt1 ? kDxtFlagDxt1 : 0, bitmap.Width, ReadBitmapBlock, bitmap,
                   bitmap.Height);
  }
  return out;
}

// libsquish one block at a time on this thread (its image call would use OpenMP threads).
std::vector<uint8_t> EncodeSquish(const TBitmap& bitmap, bool dxt1) {
  const size_t blockSize = dxt1 ? 8 : 16;
  std::vector<uint8_t> out(((bitmap.Width + 3) / 4) * ((bitmap.Height + 3) / 4) * blockSize);
  const int flags = (dxt1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourClusterFit;
  uint8_t* dst = out.data();
  uint8_t block[64] = {};
  uint8_t rgba[64];
  for (int y = 0; y < bitmap.Height; y += 4) {
    for (int x = 0; x < bitmap.Width; x += 4) {
      ReadBitmapBlock(bitmap, block, x, y);
      int mask = 0;
      for (int i = 0; i < 16; ++i) {
        rgba[4 * i] = block[4 * i + 2];
        rgba[4 * i + 1] = block[4 * i + 1];
        rgba[4 * i + 2] = block[4 * i];
        rgba[4 * i + 3] = block[4 * i + 3];
        if (x + i % 4 < bitmap.Width && y + i / 4 < bitmap.Height) mask |= 1 << i;
      }
      squish::CompressMasked(rgba, mask, dst, flags);
      dst += blockSize;
    }
  }
  return out;
}

struct TQuality {
  double Rgb = 0;
  double Alpha = 0;
};

// RMSE after decoding with this codec's decoder. Colour counts only where it is visible: where
// the source is opaque enough for DXT1 to keep it, and where its alpha is not 0 for DXT5.
TQuality Measure(bool dxt1, const std::vector<std::vector<uint8_t>>& encoded) {
  double rgb = 0, alpha = 0, rgbCount = 0, alphaCount = 0;
  for (size_t n = 0; n < gCorpus.size(); ++n) {
    const TBitmap& source = gCorpus[n];
    TBitmap decoded(source.Width, source.Height);
    DecodeDXTImage(encoded[n].data(), dxt1, source.Width, WriteBitmapBlock, decoded, source.Height);
    for (size_t i = 0; i < source.Pixels.size(); ++i) {
      const uint32_t s = source.Pixels[i], d = decoded.Pixels[i];
      if ((s >> 24) >= (dxt1 ? 128u : 1u)) {
        for (int c = 0; c < 3; ++c) {
          rgb += std::pow(double((s >> (8 * c)) & 0xFF) - double((d >> (8 * c)) & 0xFF), 2);
        }
        rgbCount += 3;
      }
      alpha += std::pow(double(s >> 24) - double(d >> 24), 2);
      alphaCount += 1;
    }
  }
  return {std::sqrt(rgb / std::max(rgbCount, 1.0)), std::sqrt(alpha / std::max(alphaCount, 1.0))};
}

void BM_EncodeCorpus(benchmark::State& state, bool dxt1, int mode) {
  for (auto _ : state) {
    for (const auto& bitmap : gCorpus) {
      auto out = mode == 0
                     ? EncodeOwn(bitmap, dxt1, false)
                     : (mode == 1 ? EncodeOwn(bitmap, dxt1, true) : EncodeSquish(bitmap, dxt1));
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.counters["Mpix/s"] =
      benchmark::Counter(CorpusPixels() * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_EncodeLarge(benchmark::State& state, bool dxt1, bool parallel) {
  for (auto _ : state) benchmark::DoNotOptimize(EncodeOwn(gLarge, dxt1, parallel).data());
  state.counters["Mpix/s"] =
      benchmark::Counter(2048.0 * 2048 * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

void BM_EncodeOneColour(benchmark::State& state) {
  const TBitmap solid(2048, 2048, 0xFF4080C0);
  for (auto _ : state)
    benchmark::DoNotOptimize(EncodeOwn(solid, state.range(0) != 0, false).data());
  state.counters["Mpix/s"] =
      benchmark::Counter(2048.0 * 2048 * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// Keeps each run's rate for the closing table.
class TRateReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> Rates;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto it = run.counters.find("Mpix/s");
      if (it == run.counters.end()) continue;
      // Keyed by the name without Google Benchmark's "/min_time:..." or "/iterations:..." parts.
      std::string name = run.benchmark_name();
      for (const char* suffix : {"/min_time:", "/iterations:", "/real_time"}) {
        const size_t at = name.find(suffix);
        if (at != std::string::npos) name.resize(at);
      }
      Rates[name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace
}  // namespace pallograph

int main(int argc, char** argv) {
  using namespace pallograph;
  benchmark::Initialize(&argc, argv);
  const char* folder = std::getenv("PALLOGRAPH_BENCH_CORPUS");
  if (folder == nullptr) {
    std::fprintf(stderr, "set PALLOGRAPH_BENCH_CORPUS to a folder of .raw textures\n");
    return 2;
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    TBitmap bitmap;
    if (entry.path().extension() == ".raw" && LoadRaw(entry.path().string(), bitmap)) {
      gCorpus.push_back(std::move(bitmap));
    }
  }
  if (gCorpus.empty()) return 2;
  gLarge = TBitmap(2048, 2048);
  for (int y = 0; y < 2048; ++y) {
    for (int x = 0; x < 2048; ++x) {
      const TBitmap& tile =
          gCorpus[static_cast<size_t>((x / 512 + 4 * (y / 512)) % gCorpus.size())];
      gLarge.ScanLine(y)[x] = tile.ScanLine(y % tile.Height)[x % tile.Width];
    }
  }
  std::printf("corpus: %zu textures, %.2f Mpix\n", gCorpus.size(), CorpusPixels() / 1e6);

  for (const bool dxt1 : {true, false}) {
    const std::string name = dxt1 ? "DXT1" : "DXT5";
    benchmark::RegisterBenchmark(("BM_Encode" + name + "/own").c_str(), BM_EncodeCorpus, dxt1, 0)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(2.0);
    benchmark::RegisterBenchmark(("BM_Encode" + name + "/own_parallel").c_str(), BM_EncodeCorpus,
                                 dxt1, 1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(2.0);
    benchmark::RegisterBenchmark(("BM_Encode" + name + "/squish").c_str(), BM_EncodeCorpus, dxt1, 2)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark(("BM_Encode" + name + "2048/own").c_str(), BM_EncodeLarge, dxt1,
                                 false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(2);
    benchmark::RegisterBenchmark(("BM_Encode" + name + "2048/own_parallel").c_str(), BM_EncodeLarge,
                                 dxt1, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(2);
  }
  benchmark::RegisterBenchmark("BM_EncodeOneColour", BM_EncodeOneColour)
      ->Arg(1)
      ->Arg(0)
      ->Unit(benchmark::kMillisecond);
  TRateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-6s %12s %12s %9s %9s %9s %12s %12s %9s\n", "format", "own Mpix/s", "squish",
              "ratio", "parallel", "par/own", "2048 par/own", "RGB RMSE", "alpha");
  for (const bool dxt1 : {true, false}) {
    const std::string name = dxt1 ? "DXT1" : "DXT5";
    std::vector<std::vector<uint8_t>> own, squishOut, parallel;
    bool identical = true;
    for (const auto& bitmap : gCorpus) {
      own.push_back(EncodeOwn(bitmap, dxt1, false));
      parallel.push_back(EncodeOwn(bitmap, dxt1, true));
      squishOut.push_back(EncodeSquish(bitmap, dxt1));
      identical = identical && own.back() == parallel.back();
    }
    identical = identical && EncodeOwn(gLarge, dxt1, false) == EncodeOwn(gLarge, dxt1, true);
    const TQuality q = Measure(dxt1, own);
    const TQuality s = Measure(dxt1, squishOut);
    auto rate = [&](const std::string& key) { return reporter.Rates[key]; };
    const double ownRate = rate("BM_Encode" + name + "/own");
    const double squishRate = rate("BM_Encode" + name + "/squish");
    const double parRate = rate("BM_Encode" + name + "/own_parallel");
    const double large =
        rate("BM_Encode" + name + "2048/own_parallel") / rate("BM_Encode" + name + "2048/own");
    std::printf("%-6s %12.2f %12.2f %8.2fx %9.2f %8.2fx %11.2fx %5.2f/%-5.2f %4.2f/%-4.2f%s\n",
                name.c_str(), ownRate, squishRate, ownRate / squishRate, parRate, parRate / ownRate,
                large, q.Rgb, s.Rgb, q.Alpha, s.Alpha,
                identical ? "" : "  PARALLEL OUTPUT DIFFERS");
  }
  std::printf("(RMSE columns: own/libsquish)\none colour DXT1 %.0f Mpix/s, DXT5 %.0f Mpix/s\n",
              reporter.Rates["BM_EncodeOneColour/1"], reporter.Rates["BM_EncodeOneColour/0"]);
  benchmark::Shutdown();
  return 0;
}
