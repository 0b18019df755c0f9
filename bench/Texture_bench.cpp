// Encoding speed and quality of the texture codec against peer block encoders, on a corpus of
// real textures (raw files made by scripts/bench_texture.sh). Every encoder is timed in the same
// run, in interleaved rounds (so drift on a noisy machine hits all of them alike); the tables give
// medians and ratios to the peers. Each encoder's output is decoded by this codec's decoder.
//
//   texture_bench [rounds]            the tables (default 5 rounds)
//   texture_bench --benchmark_...     Google Benchmark's own runs of the single encoders
#include <benchmark/benchmark.h>
#include <squish.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "BenchCorpus.h"
#include "texture/BlockDecoder.h"
#include "texture/BlockEncoder.h"
#include "texture/ParallelEncoder.h"

#if defined(PALLOGRAPH_HAVE_PEERS)
#include "Peers.h"
#endif

namespace pallograph {
namespace {

std::vector<TBitmap> gCorpus;
TBitmap gLarge;  // 2048 x 2048 tiled from the corpus

double Pixels(const std::vector<TBitmap>& images) {
  double pixels = 0;
  for (const auto& b : images) pixels += static_cast<double>(b.Width) * b.Height;
  return pixels;
}

size_t LevelSize(const TBitmap& bitmap, bool dxt1) {
  return static_cast<size_t>((bitmap.Width + 3) / 4) * ((bitmap.Height + 3) / 4) * (dxt1 ? 8 : 16);
}

using TBlockFn = void (*)(const uint8_t* bgra, uint8_t* out);

// A peer's whole-image loop: the same block reader as this codec's, one block at a time.
std::vector<uint8_t> EncodeBlocks(const TBitmap& bitmap, bool dxt1, TBlockFn encode) {
  std::vector<uint8_t> out(LevelSize(bitmap, dxt1));
  uint8_t* dst = out.data();
  uint8_t block[64] = {};
  for (int y = 0; y < bitmap.Height; y += 4) {
    for (int x = 0; x < bitmap.Width; x += 4) {
      ReadBitmapBlock(bitmap, block, x, y);
      encode(block, dst);
      dst += dxt1 ? 8 : 16;
    }
  }
  return out;
}

std::vector<uint8_t> EncodeOwn(const TBitmap& bitmap, bool dxt1, bool parallel) {
  std::vector<uint8_t> out(LevelSize(bitmap, dxt1));
  if (parallel) {
    EncodeDXTImageMT(out.data(), dxt1, bitmap.Width, ReadBitmapBlock, bitmap, bitmap.Height, false);
  } else {
    EncodeDXTImage(out.data(), dxt1 ? kDxtFlagDxt1 : 0, bitmap.Width, ReadBitmapBlock, bitmap,
                   bitmap.Height);
  }
  return out;
}

// libsquish's cluster fit, one block at a time on this thread (its image call uses OpenMP).
template <bool Dxt1>
void SquishBlock(const uint8_t* bgra, uint8_t* out) {
  uint8_t rgba[64];
  for (int i = 0; i < 16; ++i) {
    rgba[4 * i] = bgra[4 * i + 2];
    rgba[4 * i + 1] = bgra[4 * i + 1];
    rgba[4 * i + 2] = bgra[4 * i];
    rgba[4 * i + 3] = bgra[4 * i + 3];
  }
  squish::Compress(rgba, out, (Dxt1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourClusterFit);
}

struct TEncoder {
  std::string Name;
  std::function<std::vector<uint8_t>(const TBitmap&, bool dxt1)> Encode;
  bool Slow = false;  // timed once per format instead of every round
};

std::vector<TEncoder> Encoders() {
  std::vector<TEncoder> list;
  list.push_back({"own", [](const TBitmap& b, bool d) { return EncodeOwn(b, d, false); }});
  list.push_back(
      {"own, all cores", [](const TBitmap& b, bool d) { return EncodeOwn(b, d, true); }});
#if defined(PALLOGRAPH_HAVE_PEERS)
  list.push_back({"icbc 8 AVX2 (+rgbcx bc4)", [](const TBitmap& b, bool d) {
                    return EncodeBlocks(b, d, d ? peers::IcbcDxt1 : peers::IcbcDxt5);
                  }});
  list.push_back({"rgbcx 10 (bc3_hq)", [](const TBitmap& b, bool d) {
                    return EncodeBlocks(b, d, d ? peers::RgbcxDxt1 : peers::RgbcxDxt5);
                  }});
  if (peers::StbAvailable()) {
    list.push_back({"stb_dxt highqual", [](const TBitmap& b, bool d) {
                      return EncodeBlocks(b, d, d ? peers::StbDxt1 : peers::StbDxt5);
                    }});
  }
#endif
  list.push_back({"libsquish cluster",
                  [](const TBitmap& b, bool d) {
                    return EncodeBlocks(b, d, d ? SquishBlock<true> : SquishBlock<false>);
                  },
                  true});
  return list;
}

struct TQuality {
  double Rgb = 0;    // DXT1: over pixels the format keeps (alpha >= 128); DXT5: weighted by alpha
  double Alpha = 0;  // DXT5 only
};

TQuality Measure(bool dxt1, const std::vector<TBitmap>& sources,
                 const std::vector<std::vector<uint8_t>>& encoded) {
  double rgb = 0, alpha = 0, rgbWeight = 0, alphaCount = 0;
  for (size_t n = 0; n < sources.size(); ++n) {
    const TBitmap& source = sources[n];
    TBitmap decoded(source.Width, source.Height);
    DecodeDXTImage(encoded[n].data(), dxt1, source.Width, WriteBitmapBlock, decoded, source.Height);
    for (size_t i = 0; i < source.Pixels.size(); ++i) {
      const uint32_t s = source.Pixels[i], d = decoded.Pixels[i];
      const double a = s >> 24;
      const double weight = dxt1 ? (a >= 128 ? 1.0 : 0.0) : a / 255.0;
      for (int c = 0; c < 3; ++c) {
        const double e = double((s >> (8 * c)) & 0xFF) - double((d >> (8 * c)) & 0xFF);
        rgb += weight * e * e;
      }
      rgbWeight += 3 * weight;
      alpha += std::pow(a - double(d >> 24), 2);
      alphaCount += 1;
    }
  }
  return {std::sqrt(rgb / std::max(rgbWeight, 1.0)), std::sqrt(alpha / std::max(alphaCount, 1.0))};
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Throughput and quality of every encoder on the corpus, in both formats.
void CorpusTable(int rounds) {
  const std::vector<TEncoder> encoders = Encoders();
  const double mpix = Pixels(gCorpus) / 1e6;
  for (const bool dxt1 : {true, false}) {
    std::vector<std::vector<double>> rates(encoders.size());
    for (int round = 0; round < rounds; ++round) {
      for (size_t e = 0; e < encoders.size(); ++e) {
        if (encoders[e].Slow && round > 0) continue;
        const double s = Seconds([&] {
          for (const auto& bitmap : gCorpus) {
            auto out = encoders[e].Encode(bitmap, dxt1);
            benchmark::DoNotOptimize(out.data());
          }
        });
        rates[e].push_back(mpix / s);
      }
    }
    std::vector<std::vector<uint8_t>> single;
    uint64_t digest = 1469598103934665603ull;  // FNV-1a of this codec's bytes, to compare builds
    for (const auto& bitmap : gCorpus) {
      single.push_back(encoders[0].Encode(bitmap, dxt1));
      for (const uint8_t byte : single.back()) digest = (digest ^ byte) * 1099511628211ull;
    }
    size_t peer = 0;  // the ratio column is against the first peer (icbc where built)
    for (size_t e = 0; e < encoders.size(); ++e) {
      if (encoders[e].Name.rfind("own", 0) != 0) {
        peer = e;
        break;
      }
    }
    const double peerRate = Median(rates[peer]);
    std::printf("\n%s, corpus %zu textures %.2f Mpix, %d rounds, one thread unless said\n",
                dxt1 ? "DXT1" : "DXT5", gCorpus.size(), mpix, rounds);
    std::printf("%-26s %10s %9s %10s %10s %s\n", "encoder", "Mpix/s", "ratio",
                dxt1 ? "RGB RMSE" : "RGB*a RMSE", dxt1 ? "" : "alpha RMSE", "");
    for (size_t e = 0; e < encoders.size(); ++e) {
      std::vector<std::vector<uint8_t>> out;
      bool same = true;
      for (size_t n = 0; n < gCorpus.size(); ++n) {
        out.push_back(encoders[e].Encode(gCorpus[n], dxt1));
        if (encoders[e].Name.rfind("own", 0) == 0) same = same && out.back() == single[n];
      }
      const TQuality q = Measure(dxt1, gCorpus, out);
      char alpha[32] = "";
      if (!dxt1) std::snprintf(alpha, sizeof(alpha), "%10.3f", q.Alpha);
      std::printf("%-26s %10.2f %8.2fx %10.3f %10s %s\n", encoders[e].Name.c_str(),
                  Median(rates[e]), Median(rates[e]) / peerRate, q.Rgb, alpha,
                  same ? "" : "OUTPUT DIFFERS FROM ONE THREAD");
    }
    std::printf("(ratio: median Mpix/s over that of %s; own output digest %016llx)\n",
                encoders[peer].Name.c_str(), static_cast<unsigned long long>(digest));
  }
}

// Speed-up of one 2048 x 2048 DXT5 level with 1 to 16 fitting threads (the processor count the
// encoder is given: the calling thread and one worker per further processor) against the
// one-thread encode. Each timing is paired with a one-thread encode just before it and the
// speed-up is the median of those pairs' ratios, so that the machine's drift between rows (large
// here) does not enter the ratios.
void ScalingTable(int rounds) {
  const unsigned counts[] = {1, 2, 4, 8, 16};
  const auto one = [] { benchmark::DoNotOptimize(EncodeOwn(gLarge, false, false)); };
  std::vector<double> single, independent, independentRatio;
  std::vector<std::vector<double>> times(std::size(counts)), ratios(std::size(counts));
  const std::vector<uint8_t> reference = EncodeOwn(gLarge, false, false);
  bool same = true;
  const unsigned cpus = CPUCount();
  for (int round = 0; round < rounds; ++round) {
    // The machine's own ceiling: one one-thread encode per processor at once, each of the whole
    // level (time per level is the elapsed time over the number of encodes).
    single.push_back(Seconds(one));
    independent.push_back(Seconds([cpus, &one] {
                            std::vector<std::thread> threads;
                            for (unsigned t = 0; t < cpus; ++t) threads.emplace_back(one);
                            for (auto& thread : threads) thread.join();
                          }) /
                          cpus);
    independentRatio.push_back(single.back() / independent.back());
    for (size_t c = 0; c < std::size(counts); ++c) {
      const double base = Seconds(one);
      single.push_back(base);
      OverrideCPUCount(counts[c]);
      std::vector<uint8_t> out;
      times[c].push_back(Seconds([&] { out = EncodeOwn(gLarge, false, true); }));
      OverrideCPUCount(0);
      ratios[c].push_back(base / times[c].back());
      same = same && out == reference;
    }
  }
  std::printf("\n2048x2048 DXT5 level, %u processors here, %d rounds\n", cpus, rounds);
  std::printf("%-10s %10s %9s\n", "threads", "ms", "speed-up");
  std::printf("%-10s %10.1f %8.2fx\n", "none", Median(single) * 1e3, 1.0);
  std::printf("%-10s %10.1f %8.2fx  (one separate one-thread encode per processor at once)\n",
              "ceiling", Median(independent) * 1e3, Median(independentRatio));
  for (size_t c = 0; c < std::size(counts); ++c) {
    std::printf("%-10u %10.1f %8.2fx\n", counts[c], Median(times[c]) * 1e3, Median(ratios[c]));
  }
  std::printf(
      "(threads: the calling thread and one worker per further processor; speed-up: the\n"
      " median ratio of each timing to a one-thread encode just before it)\n");
  std::printf("output %s\n", same ? "identical to the one-thread encode at every count"
                                  : "DIFFERS FROM THE ONE-THREAD ENCODE");
}

// Images of one-colour blocks: one colour for the whole image, and a different colour per block.
void OneColourTable(int rounds) {
  TBitmap uniform(2048, 2048, 0xFF4080C0);
  TBitmap blocks(2048, 2048);
  for (int y = 0; y < 2048; ++y) {
    for (int x = 0; x < 2048; ++x) {
      const uint32_t n = static_cast<uint32_t>((y / 4) * 512 + x / 4) * 2654435761u;
      blocks.ScanLine(y)[x] = 0xFF000000u | (n >> 8);
    }
  }
  struct TRow {
    std::string Name;
    std::function<std::vector<uint8_t>(const TBitmap&, bool)> Encode;
  };
  std::vector<TRow> rows = {
      {"own", [](const TBitmap& b, bool d) { return EncodeOwn(b, d, false); }}};
#if defined(PALLOGRAPH_HAVE_PEERS)
  if (peers::StbAvailable()) {
    rows.push_back({"stb_dxt", [](const TBitmap& b, bool d) {
                      return EncodeBlocks(b, d, d ? peers::StbDxt1 : peers::StbDxt5);
                    }});
  }
#endif
  std::printf("\n2048x2048 of one-colour blocks, %d rounds, one thread\n", rounds);
  std::printf("%-10s %-14s %6s %12s %9s\n", "encoder", "image", "format", "Mpix/s", "ratio");
  for (const TBitmap* image : {&uniform, &blocks}) {
    for (const bool dxt1 : {true, false}) {
      std::vector<std::vector<double>> rates(rows.size());
      for (int round = 0; round < rounds; ++round) {
        for (size_t r = 0; r < rows.size(); ++r) {
          rates[r].push_back(
              4.194304 / Seconds([&] { benchmark::DoNotOptimize(rows[r].Encode(*image, dxt1)); }));
        }
      }
      for (size_t r = 0; r < rows.size(); ++r) {
        std::printf("%-10s %-14s %6s %12.1f %8.2fx\n", rows[r].Name.c_str(),
                    image == &uniform ? "one colour" : "block colours", dxt1 ? "DXT1" : "DXT5",
                    Median(rates[r]), Median(rates[r]) / Median(rates.back()));
      }
    }
  }
  std::printf("(ratio: over the last row's median)\n");
}

void BM_Encode(benchmark::State& state, TEncoder encoder, bool dxt1) {
  for (auto _ : state) {
    for (const auto& bitmap : gCorpus) benchmark::DoNotOptimize(encoder.Encode(bitmap, dxt1));
  }
  state.counters["Mpix/s"] =
      benchmark::Counter(Pixels(gCorpus) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

}  // namespace
}  // namespace pallograph

int main(int argc, char** argv) {
  using namespace pallograph;
  gCorpus = bench::LoadCorpus();
  if (gCorpus.empty()) return 2;
  gLarge = TBitmap(2048, 2048);
  for (int y = 0; y < 2048; ++y) {
    for (int x = 0; x < 2048; ++x) {
      const TBitmap& tile =
          gCorpus[static_cast<size_t>((x / 512 + 4 * (y / 512)) % gCorpus.size())];
      gLarge.ScanLine(y)[x] = tile.ScanLine(y % tile.Height)[x % tile.Width];
    }
  }
#if defined(PALLOGRAPH_HAVE_PEERS)
  peers::IcbcInit();
  peers::RgbcxInit();
#endif

  if (argc > 1 && std::strncmp(argv[1], "--benchmark", 11) == 0) {
    benchmark::Initialize(&argc, argv);
    for (const TEncoder& encoder : Encoders()) {
      for (const bool dxt1 : {true, false}) {
        benchmark::RegisterBenchmark(((dxt1 ? "DXT1/" : "DXT5/") + encoder.Name).c_str(), BM_Encode,
                                     encoder, dxt1)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
      }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const char* only = std::getenv("PALLOGRAPH_BENCH_ONLY");  // corpus, scaling or onecolour
  const auto wanted = [&](const char* table) {
    return only == nullptr || std::strstr(only, table);
  };
  if (wanted("corpus")) CorpusTable(rounds);
  if (wanted("scaling")) ScalingTable(rounds);
  if (wanted("onecolour")) OneColourTable(rounds);
  return 0;
}
