#include "ui/toolkit/png_image.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace quorrel;

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

Bytes Chunk(const char* type, const Bytes& data) {
  Bytes out;
  Put32(out, static_cast<uint32_t>(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  Put32(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
  return out;
}

Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  EXPECT_EQ(compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
  out.resize(size);
  return out;
}

struct PngParts {
  uint32_t width, height;
  uint8_t depth, colour;
  Bytes scanlines;        // every row with its filter byte, passes one after the other
  Bytes beforeData = {};  // PLTE, tRNS ... as ready chunks
  uint8_t interlace = 0;
};

// A PNG file built chunk by chunk, so that the decoder is tested against files it did not write.
Bytes MakePng(const PngParts& p) {
  Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Put32(ihdr, p.width);
  Put32(ihdr, p.height);
  ihdr.insert(ihdr.end(), {p.depth, p.colour, 0, 0, p.interlace});
  for (const Bytes& c : {Chunk("IHDR", ihdr), p.beforeData, Chunk("IDAT", Deflate(p.scanlines)), Chunk("IEND", {})})
    out.insert(out.end(), c.begin(), c.end());
  return out;
}

Bytes Rgba2x2() {
  return MakePng({2, 2, 8, 6,
                  {0, 255, 0, 0, 255, 0, 255, 0, 128,  //
                   0, 0, 0, 255, 0, 10, 20, 30, 40}});
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::filesystem::path ResDir() { return std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "res"; }

}  // namespace

TEST(DecodePng, RgbaKeepsEveryByteInRowOrder) {
  auto image = DecodePng(Rgba2x2());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels, (Bytes{255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40}));
}

TEST(DecodePng, ColourTypesWithoutAlphaBecomeOpaqueRgba) {
  auto rgb = DecodePng(MakePng({2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}}));
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->pixels, (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));

  auto gray = DecodePng(MakePng({2, 1, 8, 0, {0, 7, 200}}));
  ASSERT_TRUE(gray);
  EXPECT_EQ(gray->pixels, (Bytes{7, 7, 7, 255, 200, 200, 200, 255}));

  auto grayAlpha = DecodePng(MakePng({1, 1, 8, 4, {0, 90, 33}}));
  ASSERT_TRUE(grayAlpha);
  EXPECT_EQ(grayAlpha->pixels, (Bytes{90, 90, 90, 33}));

  // One-bit gray: 1 is white, 0 black, eight pixels to the byte.
  auto bits = DecodePng(MakePng({4, 1, 1, 0, {0, 0b1010'0000}}));
  ASSERT_TRUE(bits);
  EXPECT_EQ(bits->pixels, (Bytes{255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255}));
}

TEST(DecodePng, SixteenBitSamplesAreScaledToEight) {
  auto image = DecodePng(MakePng({1, 1, 16, 6, {0, 0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00, 0x40, 0x40}}));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, (Bytes{255, 128, 0, 64}));
}

TEST(DecodePng, PaletteWithTransparencyExpands) {
  // Two-bit indexes 0, 1, 2, 2; tRNS covers the first two entries only.
  Bytes extra = Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255});
  Bytes trns = Chunk("tRNS", {0, 128});
  extra.insert(extra.end(), trns.begin(), trns.end());
  auto image = DecodePng(MakePng({4, 1, 2, 3, {0, 0b00'01'10'10}, extra}));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels, (Bytes{255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 0, 0, 255, 255}));
}

TEST(DecodePng, ColourKeyMakesMatchingPixelsTransparent) {
  Bytes key = Chunk("tRNS", {0, 1, 0, 2, 0, 3});
  auto image = DecodePng(MakePng({2, 1, 8, 2, {0, 1, 2, 3, 1, 2, 4}, key}));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels[3], 0);
  EXPECT_EQ(image->pixels[7], 255);
}

TEST(DecodePng, InterlacedRowsAreReassembled) {
  // Adam7 on 2 x 2: pass 1 holds (0,0), pass 6 holds (1,0), pass 7 the whole second row.
  auto image = DecodePng(MakePng({2, 2, 8, 0, {0, 10, 0, 20, 0, 30, 40}, {}, 1}));
  ASSERT_TRUE(image);
  ASSERT_EQ(image->pixels.size(), 16u);
  EXPECT_EQ(image->pixels[0], 10);
  EXPECT_EQ(image->pixels[4], 20);
  EXPECT_EQ(image->pixels[8], 30);
  EXPECT_EQ(image->pixels[12], 40);
}

TEST(DecodePng, SizeLimitIsInclusive) {
  // One-bit gray rows keep the files small.
  auto rows = [](uint32_t w, uint32_t h) {
    Bytes raw;
    for (uint32_t y = 0; y < h; ++y) {
      raw.push_back(0);
      raw.insert(raw.end(), (w + 7) / 8, 0xFF);
    }
    return raw;
  };
  auto widest = DecodePng(MakePng({kMaxPngSide, 1, 1, 0, rows(kMaxPngSide, 1)}));
  ASSERT_TRUE(widest);
  EXPECT_EQ(widest->pixels.size(), static_cast<size_t>(kMaxPngSide) * 4);
  EXPECT_FALSE(DecodePng(MakePng({kMaxPngSide + 1, 1, 1, 0, rows(kMaxPngSide + 1, 1)})));
  EXPECT_FALSE(DecodePng(MakePng({1, kMaxPngSide + 1, 1, 0, rows(1, kMaxPngSide + 1)})));
  EXPECT_FALSE(DecodePng(MakePng({0x7FFFFFFF, 0x7FFFFFFF, 8, 6, {0}})));
  EXPECT_FALSE(DecodePng(MakePng({0, 1, 8, 6, {0}})));
}

TEST(DecodePng, EveryTruncationIsRefused) {
  const Bytes good = Rgba2x2();
  ASSERT_TRUE(DecodePng(good));
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(DecodePng(std::span(good.data(), n))) << "first " << n << " bytes";
}

TEST(DecodePng, DamagedFilesAreRefused) {
  const Bytes good = Rgba2x2();
  // Any changed byte of the IHDR or IDAT chunk breaks its check sum.
  for (size_t at : std::vector<size_t>{12, 16, 20, 24, 29, 40, good.size() - 14}) {
    Bytes bad = good;
    bad[at] ^= 0x01;
    EXPECT_FALSE(DecodePng(bad)) << "byte " << at;
  }
  Bytes signature = good;
  signature[1] = 'Q';
  EXPECT_FALSE(DecodePng(signature));
  EXPECT_FALSE(DecodePng({}));

  // Sound chunks around image data that is too short, or of an unknown filter type.
  EXPECT_FALSE(DecodePng(MakePng({2, 2, 8, 6, {0, 1, 2, 3, 4}})));
  EXPECT_FALSE(DecodePng(MakePng({1, 1, 8, 0, {9, 1}})));
  // Bad header values: bit depth 3, colour type 5, palette image without a palette.
  EXPECT_FALSE(DecodePng(MakePng({1, 1, 3, 0, {0, 0}})));
  EXPECT_FALSE(DecodePng(MakePng({1, 1, 8, 5, {0, 0, 0}})));
  EXPECT_FALSE(DecodePng(MakePng({1, 1, 8, 3, {0, 0}})));
}

TEST(DecodePng, TrailingBytesAfterTheEndAreIgnored) {
  Bytes file = Rgba2x2();
  file.insert(file.end(), {1, 2, 3});
  EXPECT_TRUE(DecodePng(file));
}

TEST(DecodePng, ProgramPicturesDecodeToTheirSizes) {
  auto logo = DecodePng(ReadFile(ResDir() / "logo.png"));
  ASSERT_TRUE(logo) << ResDir();
  EXPECT_GT(logo->width, 0);
  EXPECT_EQ(logo->width, logo->height);

  auto gear = DecodePng(ReadFile(ResDir() / "gear.png"));
  ASSERT_TRUE(gear);
  EXPECT_EQ(gear->width, 16);
  EXPECT_EQ(gear->height, 16);

  for (int i : {0, 1, 2, 4, 5}) {
    for (std::string suffix : {"", "_active"}) {
      std::string name = "menu" + std::to_string(i) + suffix + ".png";
      auto image = DecodePng(ReadFile(ResDir() / name));
      ASSERT_TRUE(image) << name;
      EXPECT_EQ(image->width, 24) << name;
      EXPECT_EQ(image->height, 24) << name;
      // Transparent around the glyph; the glyph's solid pixels grey or the accent colour.
      EXPECT_EQ(image->pixels[3], 0) << name;
      bool sawSolid = false;
      for (size_t p = 0; p < image->pixels.size(); p += 4) {
        if (image->pixels[p + 3] != 255) continue;
        sawSolid = true;
        const uint8_t* px = &image->pixels[p];
        if (suffix.empty()) {
          EXPECT_LT(px[2] - px[0], 24) << name;  // grey-ish
        } else {
          EXPECT_EQ(Bytes(px, px + 3), (Bytes{0x62, 0x3C, 0xEA})) << name;
        }
      }
      EXPECT_TRUE(sawSolid) << name;
    }
  }
}
