#include "texture/LevelBands.h"

#include <algorithm>

#include "texture/BlockDecoder.h"
#include "texture/BlockEncoder.h"
#include "texture/BlockShade.h"
#include "texture/ColorSet.h"
#include "texture/WorkerPool.h"

namespace pallograph {
namespace {

// Splits `rows` rows of `perRow` units each into bands of about `perBand` units and runs them.
void ForEachBand(TWorkerPool& workers, int rows, int perRow, int perBand,
                 const std::function<void(int firstRow, int rowCount)>& band) {
  if (rows <= 0) return;
  const int rowsPerBand = std::max(1, perBand / std::max(1, perRow));
  const int bands = (rows + rowsPerBand - 1) / rowsPerBand;
  workers.ForEach(static_cast<size_t>(bands), [&](size_t index) {
    const int first = static_cast<int>(index) * rowsPerBand;
    band(first, std::min(rowsPerBand, rows - first));
  });
}

}  // namespace

void DecodeDXTLevel(TWorkerPool& workers, const uint8_t* src, bool dxt1, TBitmap& bitmap) {
  ForEachBand(workers, (bitmap.Height + 3) >> 2, (bitmap.Width + 3) >> 2, kDecodeBandBlocks,
              [&](int first, int count) {
                DecodeDXTImageRows(src, dxt1, bitmap.Width, WriteBitmapBlock, bitmap, bitmap.Height,
                                   first, count);
              });
}

void EncodeDXTLevel(TWorkerPool& workers, uint8_t* dst, bool dxt1, const TBitmap& bitmap) {
  const uint8_t flags = dxt1 ? kDxtFlagDxt1 : 0;
  ForEachBand(workers, (bitmap.Height + 3) >> 2, (bitmap.Width + 3) >> 2, kEncodeBandBlocks,
              [&](int first, int count) {
                EncodeDXTImageRows(dst, flags, bitmap.Width, ReadBitmapBlock, bitmap, bitmap.Height,
                                   first, count);
              });
}

void ShadeDXTLevel(TWorkerPool& workers, const TBlockShade& shade, uint8_t* level, bool dxt1,
                   int width, int height) {
  ForEachBand(workers, (height + 3) >> 2, (width + 3) >> 2, kShadeBandBlocks,
              [&](int first, int count) {
                shade.ShadeLevelRows(level, dxt1, width, height, first, count);
              });
}

void HalveBitmapLevel(TWorkerPool& workers, TBitmap& bitmap) {
  const int width = std::max(1, bitmap.Width / 2);
  const int height = std::max(1, bitmap.Height / 2);
  if (width == bitmap.Width && height == bitmap.Height) return;
  TBitmap half(width, height);
  ForEachBand(workers, height, width, kPixelBandPixels,
              [&](int first, int count) { BoxHalveRows(bitmap, half, first, count); });
  bitmap = std::move(half);
}

void ForEachPixelBand(TWorkerPool& workers, const TBitmap& bitmap,
                      const std::function<void(int firstRow, int rowCount)>& rows) {
  ForEachBand(workers, bitmap.Height, bitmap.Width, kPixelBandPixels, rows);
}

}  // namespace pallograph
