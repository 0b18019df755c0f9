// The steps of a texture operation on one image level (decode, pixel changes, encode, halving),
// split into bands of rows that the stage's workers run at once. Every band writes only its own
// rows or blocks, so the bytes are those of the whole-level routines. A level too small to be
// worth splitting runs as one band on the calling thread.
#pragma once

#include <cstdint>
#include <functional>

#include "texture/Bitmap.h"

namespace pallograph {

class TBlockShade;
class TWorkerPool;

// Blocks of one encode band: about a millisecond of block fits.
inline constexpr int kEncodeBandBlocks = 1024;
// Blocks of one decode band.
inline constexpr int kDecodeBandBlocks = 8192;
// Blocks of one band of a block shade.
inline constexpr int kShadeBandBlocks = 16384;
// Pixels of one band of a pixel loop or of a halving.
inline constexpr int kPixelBandPixels = 1 << 17;

// DecodeDXTImage of a width x height level into `bitmap` (already sized).
void DecodeDXTLevel(TWorkerPool& workers, const uint8_t* src, bool dxt1, TBitmap& bitmap);
// EncodeDXTImage of the bitmap (flags: DXT1 or not, nothing else) into dst.
void EncodeDXTLevel(TWorkerPool& workers, uint8_t* dst, bool dxt1, const TBitmap& bitmap);
// TBlockShade::ShadeLevelRows of a whole width x height level at `level`, in place.
void ShadeDXTLevel(TWorkerPool& workers, const TBlockShade& shade, uint8_t* level, bool dxt1,
                   int width, int height);
// HalveBitmap.
void HalveBitmapLevel(TWorkerPool& workers, TBitmap& bitmap);
// Calls rows(firstRow, rowCount) for bands of the bitmap's pixel rows that together cover each
// row once; bands may run at once and must touch only their own rows.
void ForEachPixelBand(TWorkerPool& workers, const TBitmap& bitmap,
                      const std::function<void(int firstRow, int rowCount)>& rows);

}  // namespace pallograph
