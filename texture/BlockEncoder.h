// DXT1 (BC1) and DXT5 (BC3) block encoding: one block, and one image level block by block.
// Pure functions over constant tables: any number of threads may encode at once.
#pragma once

#include <cstdint>

#include "texture/Bitmap.h"
#include "texture/ColorSet.h"

namespace pallograph {

// Prepares the ColorSet of a block of 16 pixels (64 bytes B, G, R, A) for the given flags,
// including the merge of DXT5 transparent pixels into one lightly weighted colour.
void BuildColorSet(ColorSet& set, const uint8_t* pixels, uint8_t flags);

// Encodes one block of 16 pixels into 8 bytes (DXT1) or 16 bytes (DXT5: alpha half, then colour
// half) at dst. Blocks without opaque colour, of one colour, or with alpha only 0 and 255 are
// encoded directly; with kDxtFlagQueue in the flags the other fits are queued to the parallel
// encoder's workers (which must be running), else they run inline. Same bytes either way.
// Returns true when the block's bytes are complete on return (nothing was queued).
bool EncodeDXTBlock(uint8_t* dst, const uint8_t* pixels, uint8_t flags);

// Encodes one level of width x height pixels into dst, which has room for its blocks (8 or 16
// bytes per 4x4 block, rows of blocks top first). `reader` fetches each block from `bitmap`.
void EncodeDXTImage(uint8_t* dst, uint8_t flags, int width, TBlockReader reader,
                    const TBitmap& bitmap, int height);
// The rows of blocks firstRow .. firstRow + rowCount - 1 of that level, written where the whole
// level's encode puts them (dst is the level's start), with the same bytes. Bands of one level
// may be encoded on several threads at once.
void EncodeDXTImageRows(uint8_t* dst, uint8_t flags, int width, TBlockReader reader,
                        const TBitmap& bitmap, int height, int firstRow, int rowCount);

}  // namespace pallograph
