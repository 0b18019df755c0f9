#include "texture/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "texture/Simd.h"

namespace pallograph {

void ReadBitmapBlock(const TBitmap& bitmap, uint8_t* block, int x, int y) {
  if (x + 4 <= bitmap.Width && y + 4 <= bitmap.Height) {
    for (int i = 0; i < 4; ++i) std::memcpy(block + 16 * i, bitmap.ScanLine(y + i) + x, 16);
    return;
  }
  for (int i = 0; i < 4; ++i) {
    const int row = y + i;
    const uint32_t* line = row < bitmap.Height ? bitmap.ScanLine(row) : nullptr;
    for (int j = 0; j < 4; ++j) {
      uint8_t* out = block + (4 * i + j) * 4;
      const int column = x + j;
      if (line != nullptr && column < bitmap.Width) {
        std::memcpy(out, line + column, 4);
      } else {
        out[3] = 0;
      }
    }
  }
}

void WriteBitmapBlock(TBitmap& bitmap, const uint8_t* block, int x, int y) {
  for (int i = 0; i < 4 && y + i < bitmap.Height; ++i) {
    uint32_t* line = bitmap.ScanLine(y + i);
    const int columns = std::min(4, bitmap.Width - x);
    if (columns > 0) std::memcpy(line + x, block + 16 * i, static_cast<size_t>(columns) * 4);
  }
}

void BoxHalveRows(const TBitmap& source, TBitmap& target, int firstRow, int rowCount) {
  const int lastColumn = source.Width - 1;
  const int lastRow = source.Height - 1;
  const int endRow = std::min(target.Height, firstRow + rowCount);
  for (int y = firstRow; y < endRow; ++y) {
    const uint32_t* top = source.ScanLine(std::min(2 * y, lastRow));
    const uint32_t* bottom = source.ScanLine(std::min(2 * y + 1, lastRow));
    uint32_t* out = target.ScanLine(y);
    int x = 0;
#if defined(PALLOGRAPH_SSE2)
    // Two target pixels at a time where all four source columns are inside: per byte the sum
    // of the four source pixels, shifted right by two (the same integer arithmetic).
    const __m128i zero = _mm_setzero_si128();
    for (; x + 1 < target.Width && 2 * x + 3 <= lastColumn; x += 2) {
      const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 2 * x));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 2 * x));
      const __m128i low = _mm_add_epi16(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(b, zero));
      const __m128i high = _mm_add_epi16(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(b, zero));
      // low: columns 2x and 2x+1 (four 16-bit channels each); high: 2x+2 and 2x+3.
      const __m128i first = _mm_add_epi16(low, _mm_srli_si128(low, 8));
      const __m128i second = _mm_add_epi16(high, _mm_srli_si128(high, 8));
      const __m128i sums = _mm_srli_epi16(_mm_unpacklo_epi64(first, second), 2);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(sums, zero));
    }
#endif
    for (; x < target.Width; ++x) {
      const int left = std::min(2 * x, lastColumn);
      const int right = std::min(2 * x + 1, lastColumn);
      const uint32_t p[4] = {top[left], top[right], bottom[left], bottom[right]};
      uint32_t result = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t sum = ((p[0] >> shift) & 0xFF) + ((p[1] >> shift) & 0xFF) +
                             ((p[2] >> shift) & 0xFF) + ((p[3] >> shift) & 0xFF);
        result |= (sum >> 2) << shift;
      }
      out[x] = result;
    }
  }
}

namespace {

// Sample positions along one axis: integer pixel, its clamped neighbour and the 16-bit fraction.
struct TAxisSample {
  int Index;
  int Next;
  uint32_t Fraction;
};

std::vector<TAxisSample> AxisSamples(int sourceSize, int targetSize) {
  std::vector<TAxisSample> samples(static_cast<size_t>(targetSize));
  const int64_t step = static_cast<int64_t>(sourceSize) * 65536 / targetSize;
  int64_t position = step / 2 - 32768;
  if (position < 0) position = 0;
  for (auto& sample : samples) {
    sample.Index = std::min(static_cast<int>(position >> 16), sourceSize - 1);
    sample.Next = std::min(sample.Index + 1, sourceSize - 1);
    sample.Fraction = static_cast<uint32_t>(position & 0xFFFF);
    position += step;
  }
  return samples;
}

void Bilinear(const TBitmap& source, TBitmap& target) {
  const auto xs = AxisSamples(source.Width, target.Width);
  const auto ys = AxisSamples(source.Height, target.Height);
  for (int y = 0; y < target.Height; ++y) {
    const uint32_t* top = source.ScanLine(ys[y].Index);
    const uint32_t* bottom = source.ScanLine(ys[y].Next);
    const uint64_t fy = ys[y].Fraction;
    uint32_t* out = target.ScanLine(y);
    for (int x = 0; x < target.Width; ++x) {
      const uint64_t fx = xs[x].Fraction;
      const uint64_t w00 = (65536 - fx) * (65536 - fy) >> 16;
      const uint64_t w01 = fx * (65536 - fy) >> 16;
      const uint64_t w10 = (65536 - fx) * fy >> 16;
      const uint64_t w11 = fx * fy >> 16;
      const uint32_t p00 = top[xs[x].Index], p01 = top[xs[x].Next];
      const uint32_t p10 = bottom[xs[x].Index], p11 = bottom[xs[x].Next];
      uint32_t result = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const uint64_t sum = w00 * ((p00 >> shift) & 0xFF) + w01 * ((p01 >> shift) & 0xFF) +
                             w10 * ((p10 >> shift) & 0xFF) + w11 * ((p11 >> shift) & 0xFF);
        result |= static_cast<uint32_t>(std::min<uint64_t>((sum + 32768) >> 16, 255)) << shift;
      }
      out[x] = result;
    }
  }
}

}  // namespace

void ResampleBitmap(const TBitmap& source, TBitmap& target) {
  if (source.Width <= 0 || source.Height <= 0 || target.Width <= 0 || target.Height <= 0) return;
  if (target.Width == std::max(1, source.Width / 2) &&
      target.Height == std::max(1, source.Height / 2)) {
    BoxHalveRows(source, target, 0, target.Height);
  } else {
    Bilinear(source, target);
  }
}

void HalveBitmap(TBitmap& bitmap) {
  const int width = std::max(1, bitmap.Width / 2);
  const int height = std::max(1, bitmap.Height / 2);
  if (width == bitmap.Width && height == bitmap.Height) return;
  TBitmap half(width, height);
  ResampleBitmap(bitmap, half);
  bitmap = std::move(half);
}

}  // namespace pallograph
