// The 32-bit pixel buffer that texture operations decode into and encode from, and the block
// reader and writer that move 4x4 blocks between it and the block codec.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pallograph {

// Rows top to bottom; each pixel the little-endian value 0xAARRGGBB (bytes B, G, R, A). Owns its
// pixels; a value type that is moved, not shared, between threads.
struct TBitmap {
  int Width = 0;
  int Height = 0;
  std::vector<uint32_t> Pixels;  // Width * Height, row-major

  TBitmap() = default;
  // Throws std::bad_alloc (or std::length_error) when the buffer cannot be had.
  TBitmap(int width, int height, uint32_t fill = 0)
      : Width(width),
        Height(height),
        Pixels(static_cast<size_t>(width) * static_cast<size_t>(height), fill) {}

  uint32_t* ScanLine(int y) { return Pixels.data() + static_cast<size_t>(y) * Width; }
  const uint32_t* ScanLine(int y) const { return Pixels.data() + static_cast<size_t>(y) * Width; }
};

// Block of 16 pixels in row-major order, 4 bytes each as in the bitmap.
using TBlockReader = void (*)(const TBitmap& bitmap, uint8_t* block, int x, int y);
using TBlockWriter = void (*)(TBitmap& bitmap, const uint8_t* block, int x, int y);

// Copies the 4x4 block whose top-left pixel is (x, y) into `block`. A pixel outside the bitmap
// gets alpha 0 and keeps the colour bytes the block buffer already held.
void ReadBitmapBlock(const TBitmap& bitmap, uint8_t* block, int x, int y);
// Copies the block into the bitmap at (x, y), skipping pixels outside it.
void WriteBitmapBlock(TBitmap& bitmap, const uint8_t* block, int x, int y);

// Fills `target` (already sized) from `source`. Halving (each side max(1, side / 2)) uses the
// 2x2 box average, truncating, with source coordinates clamped at the last column and row; any
// other size uses a bilinear resample in 16.16 fixed point.
void ResampleBitmap(const TBitmap& source, TBitmap& target);
// Rows firstRow .. firstRow + rowCount - 1 of the next mip level of `source` (the 2x2 box average
// above), written into `target`, which has the halved size. Bands write distinct rows and may
// run on several threads at once.
void BoxHalveRows(const TBitmap& source, TBitmap& target, int firstRow, int rowCount);
// Replaces the bitmap by its next mip level (each side max(1, side / 2)); no change at 1x1.
void HalveBitmap(TBitmap& bitmap);

}  // namespace pallograph
