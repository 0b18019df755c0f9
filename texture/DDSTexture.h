// DDS textures compressed as DXT1 or DXT5, and the whole-texture operations the mod jobs use:
// a new texture of one colour, a repaint in one colour, and a brightness scale. The operations
// return a success flag and never throw; any number of threads may call them at once.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "platform/Result.h"
#include "texture/Bitmap.h"

namespace pallograph {

class TWorkerPool;

// Format codes of the header builder and the size function.
inline constexpr uint8_t kDDSCodeDxt1 = 1;
inline constexpr uint8_t kDDSCodeDxt5 = 2;
inline constexpr uint8_t kDDSCodeA8R8G8B8 = 3;
inline constexpr uint8_t kDDSCodeR8G8B8 = 4;

inline constexpr size_t kDDSHeaderSize = 128;
inline constexpr int kMaxMipLevels = 13;

using TDDSHeader = std::array<uint8_t, kDDSHeaderSize>;

// A colour text that is not "#RRGGBB" / "#RRGGBBAA", or a texture that cannot be handled.
class ETextureError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ETextureError"; }
};

// "#RRGGBB" or "#RRGGBBAA" (the first character is skipped whatever it is) -> 0xAARRGGBB, alpha
// 255 when not given. Throws ETextureError on text that is not hexadecimal there.
uint32_t ParseColor(const std::string& text);

// Byte size of one level: 8 or 16 bytes per 4x4 block for codes 1 and 2, 4 or 3 bytes per pixel
// for codes 3 and 4; 0 for an unknown code.
uint64_t DDSLevelSize(uint8_t code, int width, int height);

// The 128-byte file header of a texture (magic "DDS " included).
void BuildDDSHeader(int width, int height, int mipCount, TDDSHeader& header, uint8_t code);

// Level sizes of a texture: one level, or with mipMaps the chain halving each side down to 1x1.
// Throws ETextureError when the chain would need more than kMaxMipLevels levels.
std::vector<uint64_t> LayOutMipChain(uint8_t code, int width, int height, bool mipMaps);

// Writes (replacing) the file at the program path `fileName`: width x height pixels of `color`,
// DXT5 when `alpha`, else DXT1, with a full mip chain when `mipMaps`. Nothing is written on
// failure. A failed result says why (bad size or colour, the file error).
RResult CreateColorDDS(const std::string& fileName, int width, int height, bool mipMaps, bool alpha,
                       const std::string& color);
// CreateColorDDS with 4x4 pixels and no mip chain.
RResult CreateColorDDS4x4(const std::string& fileName, const std::string& color, bool alpha);

// A new file image of the bitmap (consumed): the header and, with mipMaps, the full chain made by
// halving, every level encoded. Throws ETextureError for a chain of more than kMaxMipLevels.
// `workers` as for RepaintDDS.
std::vector<uint8_t> EncodeDDSTexture(TBitmap bitmap, uint8_t code, bool mipMaps,
                                      TWorkerPool* workers = nullptr);

// `stream` holds a whole DXT1 or DXT5 DDS file. On success it holds the texture repainted in
// `color`, same format, one level or a full chain as the source had (a source whose header
// counts several levels). With its own alpha (eight digits) every texel becomes the colour. A
// six-digit colour keeps the texture's transparency: each level the source holds keeps its DXT5
// alpha blocks and DXT1 transparent texels byte for byte, and its colour halves take the colour;
// only the levels missing from its chain are made by halving and encoding. A non-zero divisor
// shrinks each side by it first (not below 4). On failure the bytes are unchanged, and the result
// says why (not a DDS file, a format other than DXT1/DXT5, data shorter than the header says,
// ...). With `workers` every step of every level is split into bands on them (the caller may be
// one of them); without, large levels go to the parallel encoder. The bytes are the same.
RResult RepaintDDS(std::vector<uint8_t>& stream, const std::string& color, int divisor = 0,
                   TWorkerPool* workers = nullptr);

// Scales B, G and R of every pixel by percent / 100 (alpha kept); fails, leaving the bytes
// unchanged, when a channel would leave 0..255 or the texture cannot be read; the result says why.
// For percent 0..100 the shade works on the compressed blocks (texture/BlockShade.h) of every
// level the source holds, keeping DXT5 alpha blocks and DXT1 transparent texels byte for byte
// (100 keeps every block); only the levels missing from its chain are made by halving and
// encoding. `workers` as for RepaintDDS.
RResult ShadeDDS(std::vector<uint8_t>& stream, int percent, TWorkerPool* workers = nullptr);
// The same shade by decoding the top level, scaling its pixels and encoding the texture again
// with a freshly halved chain: what ShadeDDS does for a percent outside 0..100, and the reference
// its block path is measured against.
RResult ShadeDDSPixels(std::vector<uint8_t>& stream, int percent, TWorkerPool* workers = nullptr);

}  // namespace pallograph
