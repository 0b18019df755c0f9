#include "texture/DDSTexture.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <new>

#include "platform/FileSystem.h"
#include "platform/LastError.h"
#include "texture/Bitmap.h"
#include "texture/BlockDecoder.h"
#include "texture/BlockEncoder.h"
#include "texture/BlockShade.h"
#include "texture/LevelBands.h"
#include "texture/ParallelEncoder.h"

namespace pallograph {
namespace {

// Multi-threaded encoding of large levels; the single-threaded encoder gives the same bytes.
constexpr bool kUseParallelEncoder = true;

constexpr uint32_t kFourCCDxt1 = 0x31545844;  // "DXT1"
constexpr uint32_t kFourCCDxt5 = 0x35545844;  // "DXT5"

void Put32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Up to two hexadecimal digits from position `from` (0-based); at least one must be there.
uint32_t HexByte(const std::string& text, size_t from) {
  const std::string digits = from < text.size() ? text.substr(from, 2) : std::string();
  if (digits.empty()) throw ETextureError("'" + text + "' is not a valid colour");
  uint32_t value = 0;
  for (const char c : digits) {
    const int digit = HexValue(c);
    if (digit < 0) throw ETextureError("'" + text + "' is not a valid colour");
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

// A texture read from untrusted bytes: its format and size, checked against the data.
struct TDDSSource {
  uint8_t Code = 0;
  int Width = 0;
  int Height = 0;
  bool MipMaps = false;
  uint32_t MipCount = 0;  // as the header says
};

// "" when the bytes hold a DXT1/DXT5 texture whose top level is all there; else why not.
std::string ReadSource(const std::vector<uint8_t>& stream, TDDSSource& source) {
  if (stream.size() < kDDSHeaderSize) {
    return "not a DDS texture (" + std::to_string(stream.size()) + " bytes, shorter than a header)";
  }
  const uint8_t* header = stream.data();
  const uint32_t fourCC = Get32(header + 84);
  if (fourCC == kFourCCDxt5) {
    source.Code = kDDSCodeDxt5;
  } else if (fourCC == kFourCCDxt1) {
    source.Code = kDDSCodeDxt1;
  } else {
    return "not a DXT1 or DXT5 texture";
  }
  const uint32_t height = Get32(header + 12);
  const uint32_t width = Get32(header + 16);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF - 3 || height > 0x7FFFFFFF - 3) {
    return "impossible size " + std::to_string(width) + "x" + std::to_string(height);
  }
  source.Width = static_cast<int>(width);
  source.Height = static_cast<int>(height);
  source.MipCount = Get32(header + 28);
  source.MipMaps = source.MipCount > 1;
  // The top level's blocks must all be there before anything is allocated or decoded.
  if (DDSLevelSize(source.Code, source.Width, source.Height) > stream.size() - kDDSHeaderSize) {
    return "texture data cut short (" + std::to_string(width) + "x" + std::to_string(height) +
           " in " + std::to_string(stream.size()) + " bytes)";
  }
  return {};
}

// The cause text of an exception inside a texture operation.
std::string FailureText(const std::exception& error) {
  if (dynamic_cast<const std::bad_alloc*>(&error)) return "not enough memory";
  return error.what();
}

// The width x height level whose blocks start at `blocks`, decoded: in bands on the workers, or
// on this thread.
TBitmap DecodeLevel(const uint8_t* blocks, bool dxt1, int width, int height, TWorkerPool* workers) {
  TBitmap bitmap(width, height);
  if (workers != nullptr) {
    DecodeDXTLevel(*workers, blocks, dxt1, bitmap);
  } else {
    DecodeDXTImage(blocks, dxt1, width, WriteBitmapBlock, bitmap, height);
  }
  return bitmap;
}

TBitmap DecodeTopLevel(const std::vector<uint8_t>& stream, const TDDSSource& source,
                       TWorkerPool* workers) {
  return DecodeLevel(stream.data() + kDDSHeaderSize, source.Code == kDDSCodeDxt1, source.Width,
                     source.Height, workers);
}

// The bitmap's next mip level: in bands on the workers, or on this thread.
void HalveLevel(TBitmap& bitmap, TWorkerPool* workers) {
  if (workers != nullptr) {
    HalveBitmapLevel(*workers, bitmap);
  } else {
    HalveBitmap(bitmap);
  }
}

// Runs rows(firstRow, rowCount) over all of the bitmap's rows: in bands on the workers, or at once.
void ForEachRows(TWorkerPool* workers, const TBitmap& bitmap,
                 const std::function<void(int firstRow, int rowCount)>& rows) {
  if (workers != nullptr) {
    ForEachPixelBand(*workers, bitmap, rows);
  } else {
    rows(0, bitmap.Height);
  }
}

// Encodes the bitmap into the levels first .. levels.size() - 1 of a chain, at dst: the first of
// them from the bitmap as it is, each later one after halving it. The bitmap is consumed. With
// workers, every level is split into bands on them; without, large levels go to the parallel
// encoder.
void EncodeLevels(TBitmap& bitmap, uint8_t code, const std::vector<uint64_t>& levels, size_t first,
                  uint8_t* dst, TWorkerPool* workers) {
  const bool dxt1 = code == kDDSCodeDxt1;
  for (size_t j = first; j < levels.size(); ++j) {
    if (j > first) HalveLevel(bitmap, workers);
    if (workers != nullptr) {
      EncodeDXTLevel(*workers, dst, dxt1, bitmap);
    } else if (kUseParallelEncoder) {
      EncodeDXTImageMT(dst, dxt1, bitmap.Width, ReadBitmapBlock, bitmap, bitmap.Height, false);
    } else {
      EncodeDXTImage(dst, dxt1 ? kDxtFlagDxt1 : 0, bitmap.Width, ReadBitmapBlock, bitmap,
                     bitmap.Height);
    }
    dst += levels[j];
  }
}

uint64_t ChainBytes(const std::vector<uint64_t>& levels) {
  uint64_t total = kDDSHeaderSize;
  for (const uint64_t size : levels) total += size;
  return total;
}

// Each side of level `level` of a chain that starts at width x height.
int LevelSide(int side, size_t level) {
  for (size_t j = 0; j < level; ++j) side = std::max(1, side / 2);
  return side;
}

// Changes every pixel's blue, green and red to the shade's ideal values; alpha is kept.
void ChangePixels(TBitmap& bitmap, const TBlockShade& shade, TWorkerPool* workers) {
  ForEachRows(workers, bitmap, [&](int first, int count) {
    uint32_t* pixel = bitmap.ScanLine(first);
    uint32_t* const end = pixel + static_cast<size_t>(count) * bitmap.Width;
    for (; pixel != end; ++pixel) {
      const uint32_t b = shade.Ideal(0, static_cast<uint8_t>(*pixel));
      const uint32_t g = shade.Ideal(1, static_cast<uint8_t>(*pixel >> 8));
      const uint32_t r = shade.Ideal(2, static_cast<uint8_t>(*pixel >> 16));
      *pixel = (*pixel & 0xFF000000u) | r << 16 | g << 8 | b;
    }
  });
}

}  // namespace

std::vector<uint8_t> EncodeDDSTexture(TBitmap bitmap, uint8_t code, bool mipMaps,
                                      TWorkerPool* workers) {
  const std::vector<uint64_t> levels = LayOutMipChain(code, bitmap.Width, bitmap.Height, mipMaps);
  std::vector<uint8_t> file(ChainBytes(levels));
  TDDSHeader header;
  BuildDDSHeader(bitmap.Width, bitmap.Height, static_cast<int>(levels.size()), header, code);
  std::memcpy(file.data(), header.data(), header.size());
  EncodeLevels(bitmap, code, levels, 0, file.data() + kDDSHeaderSize, workers);
  return file;
}

namespace {

// The block path of a shade or of a repaint that keeps the texture's transparency: the blocks of
// every level the source holds are changed where they lie, and the levels missing from a
// source's chain are made from its last level (decoded, changed texel by texel, halved and
// encoded). The source holds the levels its header counts (up to the full chain) whose bytes are
// all there, the top one at least. Nothing changes in the stream before every allocation is done.
void ChangeBlocks(std::vector<uint8_t>& stream, const TDDSSource& source, const TBlockShade& shade,
                  TWorkerPool* workers) {
  const std::vector<uint64_t> levels =
      LayOutMipChain(source.Code, source.Width, source.Height, source.MipMaps);
  const size_t counted = source.MipMaps ? std::min<size_t>(source.MipCount, levels.size()) : 1;
  size_t held = 0;
  uint64_t end = kDDSHeaderSize;
  while (held < counted && levels[held] <= stream.size() - end) end += levels[held++];
  const bool dxt1 = source.Code == kDDSCodeDxt1;

  std::vector<uint8_t> missing;
  if (held < levels.size()) {
    const size_t last = held - 1;
    TBitmap bitmap =
        DecodeLevel(stream.data() + end - levels[last], dxt1, LevelSide(source.Width, last),
                    LevelSide(source.Height, last), workers);
    ChangePixels(bitmap, shade, workers);
    HalveLevel(bitmap, workers);
    missing.resize(ChainBytes(levels) - end);
    EncodeLevels(bitmap, source.Code, levels, held, missing.data(), workers);
  }

  stream.resize(ChainBytes(levels));
  TDDSHeader header;
  BuildDDSHeader(source.Width, source.Height, static_cast<int>(levels.size()), header, source.Code);
  std::memcpy(stream.data(), header.data(), header.size());
  uint8_t* level = stream.data() + kDDSHeaderSize;
  for (size_t j = 0; j < held; ++j) {
    const int width = LevelSide(source.Width, j);
    const int height = LevelSide(source.Height, j);
    if (workers != nullptr) {
      ShadeDXTLevel(*workers, shade, level, dxt1, width, height);
    } else {
      shade.ShadeLevelRows(level, dxt1, width, height, 0, (height + 3) >> 2);
    }
    level += levels[j];
  }
  if (!missing.empty()) std::memcpy(level, missing.data(), missing.size());
}

}  // namespace

uint32_t ParseColor(const std::string& text) {
  const uint32_t red = HexByte(text, 1);
  const uint32_t green = HexByte(text, 3);
  const uint32_t blue = HexByte(text, 5);
  const uint32_t alpha = text.size() > 7 ? HexByte(text, 7) : 255;
  return alpha << 24 | red << 16 | green << 8 | blue;
}

uint64_t DDSLevelSize(uint8_t code, int width, int height) {
  const uint64_t w = static_cast<uint64_t>(std::max(width, 0));
  const uint64_t h = static_cast<uint64_t>(std::max(height, 0));
  switch (code) {
    case kDDSCodeDxt1:
      return ((w + 3) / 4) * ((h + 3) / 4) * 8;
    case kDDSCodeDxt5:
      return ((w + 3) / 4) * ((h + 3) / 4) * 16;
    case kDDSCodeA8R8G8B8:
      return w * h * 4;
    case kDDSCodeR8G8B8:
      return w * h * 3;
    default:
      return 0;
  }
}

void BuildDDSHeader(int width, int height, int mipCount, TDDSHeader& header, uint8_t code) {
  header.fill(0);
  uint8_t* h = header.data();
  const bool compressed = code == kDDSCodeDxt1 || code == kDDSCodeDxt5;
  Put32(h + 0, 0x20534444);  // "DDS "
  Put32(h + 4, 124);
  uint32_t flags = (mipCount > 1 ? 0x0040100Fu : 0x00001007u) | (compressed ? 0x00080000u : 0x8u);
  // Mipmapped DXT textures have always been written with 0x004C100F.
  if (mipCount > 1 && compressed) flags |= 0x00040000u;
  Put32(h + 8, flags);
  Put32(h + 12, static_cast<uint32_t>(height));
  Put32(h + 16, static_cast<uint32_t>(width));
  uint32_t pitch = 0;
  if (compressed) {
    pitch = static_cast<uint32_t>(DDSLevelSize(code, width, height));
  } else if (code == kDDSCodeA8R8G8B8) {
    pitch = static_cast<uint32_t>(width) * 4;
  } else if (code == kDDSCodeR8G8B8) {
    pitch = static_cast<uint32_t>(width) * 3;
  }
  Put32(h + 20, pitch);
  Put32(h + 28, mipCount > 1 ? static_cast<uint32_t>(mipCount) : 0);
  Put32(h + 76, 32);
  Put32(h + 80, compressed ? 0x4 : (code == kDDSCodeA8R8G8B8 ? 0x41 : 0x40));
  Put32(h + 84, code == kDDSCodeDxt1 ? kFourCCDxt1 : (code == kDDSCodeDxt5 ? kFourCCDxt5 : 0));
  if (!compressed) {
    Put32(h + 88, code == kDDSCodeA8R8G8B8 ? 32 : 24);
    Put32(h + 92, 0x00FF0000);
    Put32(h + 96, 0x0000FF00);
    Put32(h + 100, 0x000000FF);
    Put32(h + 104, code == kDDSCodeA8R8G8B8 ? 0xFF000000u : 0);
  }
  Put32(h + 108, mipCount > 1 ? 0x00401008u : 0x00001000u);
}

std::vector<uint64_t> LayOutMipChain(uint8_t code, int width, int height, bool mipMaps) {
  std::vector<uint64_t> levels;
  if (!mipMaps) {
    levels.push_back(DDSLevelSize(code, width, height));
    return levels;
  }
  auto record = [&](int w, int h) {
    if (static_cast<int>(levels.size()) == kMaxMipLevels) {
      throw ETextureError("more than 13 mip levels");
    }
    levels.push_back(DDSLevelSize(code, w, h));
  };
  int w = width, h = height;
  while (w > 1 || h > 1) {
    record(w, h);
    if (w > 1) w /= 2;
    if (h > 1) h /= 2;
  }
  record(1, 1);
  return levels;
}

RResult CreateColorDDS(const std::string& fileName, int width, int height, bool mipMaps, bool alpha,
                       const std::string& color) {
  try {
    if (width <= 0 || height <= 0) {
      return RResult::Failure("impossible size " + std::to_string(width) + "x" +
                              std::to_string(height));
    }
    const uint32_t value = ParseColor(color);
    TBitmap bitmap(width, height, value);
    const std::vector<uint8_t> file =
        EncodeDDSTexture(std::move(bitmap), alpha ? kDDSCodeDxt5 : kDDSCodeDxt1, mipMaps);
    ClearLastFileError();
    if (!WriteFileBytes(fileName, file.data(), file.size())) {
      return RResult::Failure(LastFileErrorOr("Cannot write \"" + fileName + "\""));
    }
    return RResult::Success();
  } catch (const std::exception& error) {
    return RResult::Failure(FailureText(error));
  } catch (...) {
    return RResult::Failure("unknown error");
  }
}

RResult CreateColorDDS4x4(const std::string& fileName, const std::string& color, bool alpha) {
  return CreateColorDDS(fileName, 4, 4, false, alpha, color);
}

RResult RepaintDDS(std::vector<uint8_t>& stream, const std::string& color, int divisor,
                   TWorkerPool* workers) {
  try {
    const bool ownAlpha = color.size() > 7;
    const uint32_t value = ParseColor(color);
    TDDSSource source;
    if (std::string why = ReadSource(stream, source); !why.empty()) {
      return RResult::Failure(std::move(why));
    }
    if (!ownAlpha && divisor == 0) {
      // A colour without alpha keeps the texture's transparency: the blocks take the colour and
      // keep their alpha halves and transparent texels.
      ChangeBlocks(stream, source, TBlockShade::ToColor(value), workers);
      return RResult::Success();
    }
    const int width = divisor != 0 ? std::max(4, source.Width / divisor) : source.Width;
    const int height = divisor != 0 ? std::max(4, source.Height / divisor) : source.Height;
    TBitmap bitmap;
    if (ownAlpha) {
      // Every pixel becomes the colour: the source's pixels are not needed.
      bitmap = TBitmap(width, height, value);
    } else {
      bitmap = DecodeTopLevel(stream, source, workers);
      TBitmap smaller(width, height);
      ResampleBitmap(bitmap, smaller);
      bitmap = std::move(smaller);
      ChangePixels(bitmap, TBlockShade::ToColor(value), workers);
    }
    stream = EncodeDDSTexture(std::move(bitmap), source.Code, source.MipMaps, workers);
    return RResult::Success();
  } catch (const std::exception& error) {
    return RResult::Failure(FailureText(error));
  } catch (...) {
    return RResult::Failure("unknown error");
  }
}

RResult ShadeDDS(std::vector<uint8_t>& stream, int percent, TWorkerPool* workers) {
  if (percent < 0 || percent > 100) return ShadeDDSPixels(stream, percent, workers);
  try {
    TDDSSource source;
    if (std::string why = ReadSource(stream, source); !why.empty()) {
      return RResult::Failure(std::move(why));
    }
    ChangeBlocks(stream, source, TBlockShade(percent), workers);
    return RResult::Success();
  } catch (const std::exception& error) {
    return RResult::Failure(FailureText(error));
  } catch (...) {
    return RResult::Failure("unknown error");
  }
}

RResult ShadeDDSPixels(std::vector<uint8_t>& stream, int percent, TWorkerPool* workers) {
  try {
    TDDSSource source;
    if (std::string why = ReadSource(stream, source); !why.empty()) {
      return RResult::Failure(std::move(why));
    }
    TBitmap bitmap = DecodeTopLevel(stream, source, workers);
    // The shaded value of every channel value, looked up per pixel; values that would leave the
    // colour range are marked and fail only where a pixel has them.
    constexpr int32_t kOutOfRange = -1;
    std::array<int32_t, 256> shade;
    for (int64_t v = 0; v < 256; ++v) {
      const int64_t scaled = v * percent / 100;
      shade[static_cast<size_t>(v)] =
          scaled < 0 || scaled > 255 ? kOutOfRange : static_cast<int32_t>(scaled);
    }
    std::atomic<bool> outOfRange{false};
    ForEachRows(workers, bitmap, [&](int first, int count) {
      uint32_t* pixel = bitmap.ScanLine(first);
      uint32_t* const end = pixel + static_cast<size_t>(count) * bitmap.Width;
      for (; pixel != end; ++pixel) {
        const int32_t b = shade[*pixel & 0xFF];
        const int32_t g = shade[(*pixel >> 8) & 0xFF];
        const int32_t r = shade[(*pixel >> 16) & 0xFF];
        if ((b | g | r) < 0) {
          outOfRange.store(true, std::memory_order_relaxed);
          return;
        }
        *pixel = (*pixel & 0xFF000000u) | static_cast<uint32_t>(r) << 16 |
                 static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
      }
    });
    if (outOfRange.load()) {
      return RResult::Failure("shading by " + std::to_string(percent) +
                              "% leaves the colour range");
    }
    stream = EncodeDDSTexture(std::move(bitmap), source.Code, source.MipMaps, workers);
    return RResult::Success();
  } catch (const std::exception& error) {
    return RResult::Failure(FailureText(error));
  } catch (...) {
    return RResult::Failure("unknown error");
  }
}

}  // namespace pallograph
