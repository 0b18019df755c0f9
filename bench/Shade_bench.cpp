// The camouflage shade on compressed blocks against the decode-scale-encode path, in one run, on
// the corpus of real textures (raw files made by scripts/bench_corpus.sh), each encoded by this
// codec as a DXT1 and as a DXT5 source with a full mip chain:
//   - quality: per percent and path, the RGB error against the ideal texture (each level of the
//     source decoded, red, green and blue times percent / 100 rounded down): mean absolute error
//     in levels and the largest one, on the top level and on the lower levels; and whether the
//     alpha is the source's (DXT5 alpha blocks byte for byte, DXT1 transparent texels);
//   - speed: one thread, median time per block of the whole chain over interleaved rounds, and
//     the share of blocks the block path searched further.
//
//   shade_bench [rounds]      (PALLOGRAPH_BENCH_CORPUS names the corpus folder)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchCorpus.h"
#include "texture/BlockDecoder.h"
#include "texture/BlockShade.h"
#include "texture/DDSTexture.h"
#include "texture/ParallelEncoder.h"

namespace pallograph {
namespace {

uint32_t Get32(const std::vector<uint8_t>& file, size_t offset) {
  uint32_t value;
  std::memcpy(&value, file.data() + offset, 4);
  return value;
}

// The levels of a DDS file image, decoded.
std::vector<TBitmap> DecodeLevels(const std::vector<uint8_t>& file) {
  const bool dxt1 = Get32(file, 84) == 0x31545844u;
  int width = static_cast<int>(Get32(file, 16)), height = static_cast<int>(Get32(file, 12));
  const uint32_t count = std::max<uint32_t>(1, Get32(file, 28));
  std::vector<TBitmap> levels;
  size_t offset = kDDSHeaderSize;
  for (uint32_t j = 0; j < count; ++j) {
    TBitmap level(width, height);
    DecodeDXTImage(file.data() + offset, dxt1, width, WriteBitmapBlock, level, height);
    offset += DDSLevelSize(dxt1 ? kDDSCodeDxt1 : kDDSCodeDxt5, width, height);
    levels.push_back(std::move(level));
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
  }
  return levels;
}

uint64_t ChainBlocks(const std::vector<uint8_t>& file) {
  int width = static_cast<int>(Get32(file, 16)), height = static_cast<int>(Get32(file, 12));
  uint64_t blocks = 0;
  for (uint32_t j = 0; j < std::max<uint32_t>(1, Get32(file, 28)); ++j) {
    blocks += static_cast<uint64_t>((width + 3) / 4) * ((height + 3) / 4);
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
  }
  return blocks;
}

// Absolute errors: their mean over every texel, their mean weighted by the source texel's alpha
// (what shows where the alpha is a blend mask), and the largest.
struct TError {
  double Sum = 0;
  double Count = 0;
  double WeightedSum = 0;
  double Weights = 0;
  int Max = 0;
  void Add(int d, int alpha) {
    Sum += d;
    Count += 1;
    WeightedSum += static_cast<double>(d) * alpha;
    Weights += alpha;
    Max = std::max(Max, d);
  }
  double Mean() const { return Count > 0 ? Sum / Count : 0.0; }
  double WeightedMean() const { return Weights > 0 ? WeightedSum / Weights : 0.0; }
};

struct TQuality {
  TError Top, Lower;
  bool AlphaKept = true;
};

// Compares a shaded file with the ideal of each source level. Texels that are transparent in the
// source (alpha 0) count too: the ideal is defined for every texel.
void Measure(const std::vector<TBitmap>& source, const std::vector<uint8_t>& shadedFile,
             int percent, bool dxt1, TQuality& quality) {
  const std::vector<TBitmap> shaded = DecodeLevels(shadedFile);
  for (size_t j = 0; j < source.size() && j < shaded.size(); ++j) {
    TError& error = j == 0 ? quality.Top : quality.Lower;
    for (size_t i = 0; i < source[j].Pixels.size(); ++i) {
      const uint32_t s = source[j].Pixels[i], t = shaded[j].Pixels[i];
      for (int c = 0; c < 3; ++c) {
        const int ideal = static_cast<int>((s >> (8 * c)) & 0xFF) * percent / 100;
        error.Add(std::abs(static_cast<int>((t >> (8 * c)) & 0xFF) - ideal),
                  static_cast<int>(s >> 24));
      }
      if (dxt1 && (s >> 24) != (t >> 24)) quality.AlphaKept = false;
    }
  }
}

// DXT5 alpha halves of every level byte for byte.
bool SameAlphaBlocks(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return false;
  for (size_t offset = kDDSHeaderSize; offset + 16 <= a.size(); offset += 16) {
    if (std::memcmp(a.data() + offset, b.data() + offset, 8) != 0) return false;
  }
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace
}  // namespace pallograph

int main(int argc, char** argv) {
  using namespace pallograph;
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::vector<TBitmap> corpus = bench::LoadCorpus();
  if (corpus.empty()) return 2;
  OverrideCPUCount(1);  // both paths on one thread
  const int percents[] = {10, 40, 70, 100};
  std::printf("Shade on blocks against decode-scale-encode, %zu corpus textures, full mip chains\n",
              corpus.size());
  std::printf(
      "RGB error against the ideal in levels (mean, mean weighted by alpha, max), top level and "
      "lower levels\n");
  std::printf("%-6s %4s  %-22s %-22s %-22s %-22s %s\n", "source", "%", "blocks: top",
              "blocks: lower", "pixels: top", "pixels: lower", "alpha kept (blocks/pixels)");
  for (const bool dxt1 : {true, false}) {
    const uint8_t code = dxt1 ? kDDSCodeDxt1 : kDDSCodeDxt5;
    std::vector<std::vector<uint8_t>> sources;
    std::vector<std::vector<TBitmap>> decoded;
    uint64_t blocks = 0;
    for (const TBitmap& bitmap : corpus) {
      sources.push_back(EncodeDDSTexture(bitmap, code, true));
      decoded.push_back(DecodeLevels(sources.back()));
      blocks += ChainBlocks(sources.back());
    }
    for (const int percent : percents) {
      TQuality blockQuality, pixelQuality;
      std::vector<double> blockTimes, pixelTimes;
      TBlockShadeCounts counts;
      for (int round = 0; round < rounds; ++round) {
        for (size_t t = 0; t < sources.size(); ++t) {
          std::vector<uint8_t> block = sources[t], pixel = sources[t];
          const auto start = std::chrono::steady_clock::now();
          const bool blockDone = static_cast<bool>(ShadeDDS(block, percent));
          const auto middle = std::chrono::steady_clock::now();
          const bool pixelDone = static_cast<bool>(ShadeDDSPixels(pixel, percent));
          const auto end = std::chrono::steady_clock::now();
          if (!blockDone || !pixelDone) {
            std::fprintf(stderr, "shade failed\n");
            return 1;
          }
          if (round == 0) {
            Measure(decoded[t], block, percent, dxt1, blockQuality);
            Measure(decoded[t], pixel, percent, dxt1, pixelQuality);
            if (!dxt1) {
              if (!SameAlphaBlocks(sources[t], block)) blockQuality.AlphaKept = false;
              if (!SameAlphaBlocks(sources[t], pixel)) pixelQuality.AlphaKept = false;
            }
            // The searched share, from the block shade of each level as ShadeDDS runs it.
            const TBlockShade shade(percent);
            std::vector<uint8_t> copy = sources[t];
            int width = static_cast<int>(Get32(copy, 16)),
                height = static_cast<int>(Get32(copy, 12));
            size_t offset = kDDSHeaderSize;
            for (uint32_t j = 0; j < std::max<uint32_t>(1, Get32(copy, 28)); ++j) {
              shade.ShadeLevelRows(copy.data() + offset, dxt1, width, height, 0, (height + 3) / 4,
                                   &counts);
              offset += DDSLevelSize(code, width, height);
              width = std::max(1, width / 2);
              height = std::max(1, height / 2);
            }
          }
          blockTimes.push_back(std::chrono::duration<double>(middle - start).count());
          pixelTimes.push_back(std::chrono::duration<double>(end - middle).count());
        }
      }
      char cells[4][48];
      const TError* errors[4] = {&blockQuality.Top, &blockQuality.Lower, &pixelQuality.Top,
                                 &pixelQuality.Lower};
      for (int i = 0; i < 4; ++i) {
        std::snprintf(cells[i], sizeof(cells[i]), "%.3f %.3f %d", errors[i]->Mean(),
                      errors[i]->WeightedMean(), errors[i]->Max);
      }
      // Per-texture medians summed: the time of one pass over the corpus.
      double blockTotal = 0, pixelTotal = 0;
      for (size_t t = 0; t < sources.size(); ++t) {
        std::vector<double> b, p;
        for (int round = 0; round < rounds; ++round) {
          b.push_back(blockTimes[round * sources.size() + t]);
          p.push_back(pixelTimes[round * sources.size() + t]);
        }
        blockTotal += Median(b);
        pixelTotal += Median(p);
      }
      std::printf("%-6s %4d  %-22s %-22s %-22s %-22s %s / %s\n", dxt1 ? "DXT1" : "DXT5", percent,
                  cells[0], cells[1], cells[2], cells[3], blockQuality.AlphaKept ? "yes" : "no",
                  pixelQuality.AlphaKept ? "yes" : "no");
      std::printf(
          "%-6s %4s  blocks %.1f ns/block, pixels %.1f ns/block (%.1fx); %.1f%% of blocks "
          "searched further\n",
          "", "", blockTotal * 1e9 / static_cast<double>(blocks),
          pixelTotal * 1e9 / static_cast<double>(blocks), pixelTotal / blockTotal,
          counts.Blocks > 0
              ? 100.0 * static_cast<double>(counts.Searched) / static_cast<double>(counts.Blocks)
              : 0.0);
    }
  }
  return 0;
}
