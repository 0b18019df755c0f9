// The benchmark corpus of real textures: raw files made by scripts/bench_corpus.sh in the folder
// that PALLOGRAPH_BENCH_CORPUS names.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "texture/Bitmap.h"

namespace pallograph::bench {

// Raw corpus file: "width height\n" then width * height pixels B, G, R, A.
inline bool LoadRaw(const std::string& path, TBitmap& bitmap) {
  std::ifstream in(path, std::ios::binary);
  int width = 0, height = 0;
  if (!(in >> width >> height) || width <= 0 || height <= 0) return false;
  in.get();
  bitmap = TBitmap(width, height);
  in.read(reinterpret_cast<char*>(bitmap.Pixels.data()),
          static_cast<std::streamsize>(bitmap.Pixels.size() * 4));
  return static_cast<bool>(in);
}

// Every texture of the corpus, in name order; empty (with a line on standard error) when the
// variable is not set or the folder holds none.
inline std::vector<TBitmap> LoadCorpus() {
  const char* folder = std::getenv("PALLOGRAPH_BENCH_CORPUS");
  if (folder == nullptr) {
    std::fprintf(stderr, "set PALLOGRAPH_BENCH_CORPUS to a folder of .raw textures\n");
    return {};
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".raw") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<TBitmap> corpus;
  for (const auto& path : files) {
    TBitmap bitmap;
    if (LoadRaw(path.string(), bitmap)) corpus.push_back(std::move(bitmap));
  }
  if (corpus.empty()) std::fprintf(stderr, "no textures in %s\n", folder);
  return corpus;
}

}  // namespace pallograph::bench
