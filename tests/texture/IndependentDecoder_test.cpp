// Round trips against independent DDS tools: Pillow decodes what the codec writes, ImageMagick
// writes what the codec decodes and repaints.
#include <gtest/gtest.h>

#include <cmath>

#include "TextureTestImages.h"
#include "support/TestSupport.h"
#include "texture/BlockDecoder.h"
#include "texture/DDSTexture.h"

namespace pallograph {
namespace {

// Decodes a DDS file with Pillow and prints its RGBA bytes as hex.
constexpr const char* kPillowDecode = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGBA")
sys.stdout.write("%d %d " % im.size + im.tobytes().hex())
)";

TBitmap DecodeWithPillow(const std::string& path) {
  const test::TProcessResult result = test::RunPythonCode(kPillowDecode, {path});
  EXPECT_EQ(result.ExitCode, 0) << result.Err;
  std::istringstream in(result.Out);
  int width = 0, height = 0;
  std::string hex;
  in >> width >> height >> hex;
  TBitmap bitmap(width, height);
  for (size_t i = 0; i < bitmap.Pixels.size() && 8 * i + 8 <= hex.size(); ++i) {
    const uint32_t rgba = static_cast<uint32_t>(std::stoul(hex.substr(8 * i, 8), nullptr, 16));
    const uint32_t r = rgba >> 24, g = (rgba >> 16) & 0xFF, b = (rgba >> 8) & 0xFF, a = rgba & 0xFF;
    bitmap.Pixels[i] = a << 24 | r << 16 | g << 8 | b;
  }
  return bitmap;
}

TBitmap DecodeOwn(const std::vector<uint8_t>& file) {
  TBitmap bitmap(static_cast<int>(test::Le32(file, 16)), static_cast<int>(test::Le32(file, 12)));
  DecodeDXTImage(file.data() + 128, test::Le32(file, 84) == 0x31545844u, bitmap.Width,
                 WriteBitmapBlock, bitmap, bitmap.Height);
  return bitmap;
}

int Channel(uint32_t pixel, int c) { return static_cast<int>((pixel >> (8 * c)) & 0xFF); }

class IndependentDecoderTest : public ::testing::TestWithParam<bool> {
 protected:
  test::TTempDir dir_;
};

TEST_P(IndependentDecoderTest, PillowDecodesWhatTheCodecWrites) {
  const bool dxt1 = GetParam();
  const TBitmap source = test::MakeTestImage(64, 48, 21);
  const std::vector<uint8_t> file = test::MakeDDS(source, dxt1);
  test::WriteBinary(dir_.Native("own.dds"), file);
  const TBitmap pillow = DecodeWithPillow(dir_.Native("own.dds"));
  const TBitmap own = DecodeOwn(file);
  ASSERT_EQ(pillow.Width, 64);
  ASSERT_EQ(pillow.Height, 48);
  double squared = 0;
  int counted = 0;
  for (size_t i = 0; i < own.Pixels.size(); ++i) {
    // Decoders may round the interpolated entries differently by one.
    ASSERT_NEAR(Channel(pillow.Pixels[i], 3), Channel(own.Pixels[i], 3), 1) << i;
    if (Channel(own.Pixels[i], 3) == 0) continue;
    for (int c = 0; c < 3; ++c) {
      ASSERT_NEAR(Channel(pillow.Pixels[i], c), Channel(own.Pixels[i], c), 1) << i;
      squared += std::pow(Channel(pillow.Pixels[i], c) - Channel(source.Pixels[i], c), 2);
      ++counted;
    }
  }
  EXPECT_LT(std::sqrt(squared / counted), 8.0);
}

TEST_P(IndependentDecoderTest, ImageMagickTexturesDecodeAndRepaint) {
  const bool dxt1 = GetParam();
  const TBitmap source = test::MakeTestImage(32, 32, 4);
  // The source as a PNG via Pillow, then ImageMagick's DDS encoder with a mip chain.
  std::string hex;
  char buffer[9];
  for (const uint32_t p : source.Pixels) {
    std::snprintf(buffer, sizeof(buffer), "%02x%02x%02x%02x", Channel(p, 2), Channel(p, 1),
                  Channel(p, 0), Channel(p, 3));
    hex += buffer;
  }
  test::WriteText(dir_.Native("source.hex"), hex);
  const auto png = test::RunPythonCode(
      "import sys\nfrom PIL import Image\n"
      "Image.frombytes('RGBA', (32, 32), bytes.fromhex(open(sys.argv[1]).read()))"
      ".save(sys.argv[2])\n",
      {dir_.Native("source.hex"), dir_.Native("source.png")});
  ASSERT_EQ(png.ExitCode, 0) << png.Err;
  const auto convert = test::RunProcess({"convert", dir_.Native("source.png"), "-define",
                                         std::string("dds:compression=") + (dxt1 ? "dxt1" : "dxt5"),
                                         "-define", "dds:mipmaps=3", dir_.Native("magick.dds")});
  ASSERT_EQ(convert.ExitCode, 0) << convert.Err;
  std::vector<uint8_t> file = test::ReadBinary(dir_.Native("magick.dds"));
  const TBitmap pillow = DecodeWithPillow(dir_.Native("magick.dds"));
  const TBitmap own = DecodeOwn(file);
  for (size_t i = 0; i < own.Pixels.size(); ++i) {
    for (int c = 0; c < 4; ++c) {
      ASSERT_NEAR(Channel(own.Pixels[i], c), Channel(pillow.Pixels[i], c), 1) << i << " " << c;
    }
  }
  ASSERT_TRUE(RepaintDDS(file, "#4080C0"));
  EXPECT_EQ(test::Le32(file, 28), 6u);  // a full chain down to 1x1, whatever the source had
  test::WriteBinary(dir_.Native("repainted.dds"), file);
  const TBitmap repainted = DecodeWithPillow(dir_.Native("repainted.dds"));
  for (size_t i = 0; i < repainted.Pixels.size(); ++i) {
    EXPECT_NEAR(Channel(repainted.Pixels[i], 3), Channel(own.Pixels[i], 3), dxt1 ? 0 : 3) << i;
    if (Channel(repainted.Pixels[i], 3) == 0) continue;
    EXPECT_NEAR(Channel(repainted.Pixels[i], 2), 0x40, 4);
    EXPECT_NEAR(Channel(repainted.Pixels[i], 1), 0x80, 2);
    EXPECT_NEAR(Channel(repainted.Pixels[i], 0), 0xC0, 4);
  }
}

INSTANTIATE_TEST_SUITE_P(Dxt1AndDxt5, IndependentDecoderTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Dxt1" : "Dxt5"; });

}  // namespace
}  // namespace pallograph
