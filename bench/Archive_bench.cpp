// The archive binding against plain file access, measured in the same run: extracting a stored
// 4 MiB package entry into memory against reading the same bytes from a loose file, and packing
// a folder as a .wotmod package against copying its files. The ratios show what the library and
// the binding add over the disk.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "archive/SevenZip.h"
#include "archive/Wotmod.h"
#include "platform/FileSystem.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"

namespace {

using namespace pallograph;

const std::string kLibrary = FromNativePath("/usr/lib/p7zip/7z.so");
constexpr size_t kEntrySize = 4 << 20;
constexpr int kFolderFiles = 16;

// A folder of random files (a stand-in for a stage's output) and a package of it.
struct TBenchData {
  TBenchData() {
    root = FromNativePath(
        (std::filesystem::temp_directory_path() / "pallograph-archive-bench").string());
    DeleteFolderTree(root);
    source = root + "\\src\\";
    ForceDirectories(source + "res\\vehicles");
    std::mt19937 random(11);
    std::vector<uint8_t> bytes(kEntrySize);
    for (int i = 0; i < kFolderFiles; ++i) {
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
      WriteFileBytes(source + "res\\vehicles\\f" + std::to_string(i) + ".dds", bytes.data(),
                     bytes.size());
    }
    WriteFileBytes(source + "meta.xml", "<root/>", 7);
    package = root + "\\pkg.wotmod";
    PackWotmod(kLibrary, package, source, false, nullptr);
  }
  ~TBenchData() { DeleteFolderTree(root); }
  std::string root, source, package;
};

TBenchData& Data() {
  static TBenchData data;
  return data;
}

void BM_ExtractStoredEntry(benchmark::State& state) {
  auto reader = CreateReader(kLibrary);
  reader->OpenArchiveFile(Data().package);
  uint32_t index = 0;
  while (reader->ItemIsFolder(index)) ++index;
  for (auto _ : state) {
    TMemoryStream stream;
    reader->ExtractItemToStream(index, stream);
    benchmark::DoNotOptimize(stream.Data().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntrySize));
}
BENCHMARK(BM_ExtractStoredEntry)->Unit(benchmark::kMillisecond);

void BM_ReadLooseFile(benchmark::State& state) {
  const std::string file = Data().source + "res\\vehicles\\f0.dds";
  for (auto _ : state) {
    std::vector<uint8_t> bytes;
    ReadFileBytes(file, bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntrySize));
}
BENCHMARK(BM_ReadLooseFile)->Unit(benchmark::kMillisecond);

void BM_PackWotmod(benchmark::State& state) {
  const std::string package = Data().root + "\\bench.wotmod";
  for (auto _ : state) {
    if (!PackWotmod(kLibrary, package, Data().source, false, nullptr)) {
      state.SkipWithError("packing failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntrySize * kFolderFiles));
}
BENCHMARK(BM_PackWotmod)->Unit(benchmark::kMillisecond);

void BM_CopyFolderFiles(benchmark::State& state) {
  const std::string target = Data().root + "\\copy\\";
  ForceDirectories(target);
  for (auto _ : state) {
    for (int i = 0; i < kFolderFiles; ++i) {
      const std::string name = "f" + std::to_string(i) + ".dds";
      std::vector<uint8_t> bytes;
      ReadFileBytes(Data().source + "res\\vehicles\\" + name, bytes);
      WriteFileBytes(target + name, bytes.data(), bytes.size());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEntrySize * kFolderFiles));
}
BENCHMARK(BM_CopyFolderFiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
