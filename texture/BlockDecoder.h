// DXT1 and DXT5 block decoding. Pure functions; safe on any thread.
#pragma once

#include <cstdint>

#include "texture/Bitmap.h"

namespace pallograph {

// Decodes the 8-byte (DXT1) or 16-byte (DXT5) block at src into 16 pixels of 4 bytes B, G, R, A,
// written as 4 rows of 4 pixels, rows rowPitch bytes apart.
void DecodeDXTBlock(uint8_t* out, const uint8_t* src, bool dxt1, int rowPitch);

// Decodes one level of width x height pixels whose blocks start at src (the caller guarantees
// the level's full size is readable) and hands each block to `writer`.
void DecodeDXTImage(const uint8_t* src, bool dxt1, int width, TBlockWriter writer, TBitmap& bitmap,
                    int height);
// The rows of blocks firstRow .. firstRow + rowCount - 1 of that level (src is the level's
// start). Bands of one level write distinct pixels and may run on several threads at once.
void DecodeDXTImageRows(const uint8_t* src, bool dxt1, int width, TBlockWriter writer,
                        TBitmap& bitmap, int height, int firstRow, int rowCount);

}  // namespace pallograph
