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

// A PNG file built chunk by chunk, so that the decoder is tested against files it did not write.
// scanlines: every row with its filter byte; extra: ready chunks (PLTE, tRNS) before the data.
Bytes MakePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour, const Bytes& scanlines,
              const Bytes& extra = {}, uint8_t interlace = 0) {
  Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Put32(ihdr, width);
  Put32(ihdr, height);
  ihdr.insert(ihdr.end(), {depth, colour, 0, 0, interlace});
  uLongf size = compressBound(static_cast<uLong>(scanlines.size()));
  Bytes packed(size);
  EXPECT_EQ(compress(packed.data(), &size, scanlines.data(), static_cast<uLong>(scanlines.size())), Z_OK);
  packed.resize(size);
  for (const Bytes& c : {Chunk("IHDR", ihdr), extra, Chunk("IDAT", packed), Chunk("IEND", {})})
    out.insert(out.end(), c.begin(), c.end());
  return out;
}

Bytes Rgba2x2() { return MakePng(2, 2, 8, 6, {0, 255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 0, 255, 0, 10, 20, 30, 40}); }

Bytes Pixels(const Bytes& png) {
  auto image = DecodePng(png);
  EXPECT_TRUE(image);
  return image ? image->pixels : Bytes{};
}

}  // namespace

TEST(DecodePng, EveryColourTypeBecomesRgba) {
  auto image = DecodePng(Rgba2x2());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels, (Bytes{255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40}));
  EXPECT_EQ(Pixels(MakePng(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6})), (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
  EXPECT_EQ(Pixels(MakePng(2, 1, 8, 0, {0, 7, 200})), (Bytes{7, 7, 7, 255, 200, 200, 200, 255}));
  EXPECT_EQ(Pixels(MakePng(1, 1, 8, 4, {0, 90, 33})), (Bytes{90, 90, 90, 33}));
  EXPECT_EQ(Pixels(MakePng(2, 1, 1, 0, {0, 0b1000'0000})), (Bytes{255, 255, 255, 255, 0, 0, 0, 255}));
  EXPECT_EQ(Pixels(MakePng(1, 1, 16, 6, {0, 0xFF, 0xFF, 0x80, 0x80, 0, 0, 0x40, 0x40})), (Bytes{255, 128, 0, 64}));
  // Two-bit palette indexes 0, 1, 2, 2; tRNS covers the first two entries only.
  Bytes palette = Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255});
  Bytes trns = Chunk("tRNS", {0, 128});
  palette.insert(palette.end(), trns.begin(), trns.end());
  EXPECT_EQ(Pixels(MakePng(4, 1, 2, 3, {0, 0b00'01'10'10}, palette)),
            (Bytes{255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 0, 0, 255, 255}));
  // A colour key makes matching pixels transparent.
  Bytes keyed = Pixels(MakePng(2, 1, 8, 2, {0, 1, 2, 3, 1, 2, 4}, Chunk("tRNS", {0, 1, 0, 2, 0, 3})));
  ASSERT_EQ(keyed.size(), 8u);
  EXPECT_EQ(keyed[3], 0);
  EXPECT_EQ(keyed[7], 255);
  // Adam7 on 2 x 2: pass 1 holds (0,0), pass 6 holds (1,0), pass 7 the second row.
  Bytes interlaced = Pixels(MakePng(2, 2, 8, 0, {0, 10, 0, 20, 0, 30, 40}, {}, 1));
  ASSERT_EQ(interlaced.size(), 16u);
  EXPECT_EQ((Bytes{interlaced[0], interlaced[4], interlaced[8], interlaced[12]}), (Bytes{10, 20, 30, 40}));
}

TEST(DecodePng, OversizedAreRefusedAndTheSizeLimitIsInclusive) {
  auto rows = [](uint32_t w, uint32_t h) {  // one-bit gray keeps the files small
    Bytes raw;
    for (uint32_t y = 0; y < h; ++y) {
      raw.push_back(0);
      raw.insert(raw.end(), (w + 7) / 8, 0xFF);
    }
    return raw;
  };
  auto widest = DecodePng(MakePng(kMaxPngSide, 1, 1, 0, rows(kMaxPngSide, 1)));
  ASSERT_TRUE(widest);
  EXPECT_EQ(widest->pixels.size(), static_cast<size_t>(kMaxPngSide) * 4);
  EXPECT_FALSE(DecodePng(MakePng(kMaxPngSide + 1, 1, 1, 0, rows(kMaxPngSide + 1, 1))));
  EXPECT_FALSE(DecodePng(MakePng(1, kMaxPngSide + 1, 1, 0, rows(1, kMaxPngSide + 1))));
  EXPECT_FALSE(DecodePng(MakePng(0x7FFFFFFF, 0x7FFFFFFF, 8, 6, {0})));
  EXPECT_FALSE(DecodePng(MakePng(0, 1, 8, 6, {0})));
}

TEST(DecodePng, TruncatedAndCorruptFilesAreRefused) {
  Bytes good = Rgba2x2();
  for (size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(DecodePng(std::span(good.data(), n))) << n;
  // Any changed byte of the IHDR or IDAT chunk breaks its check sum.
  for (size_t at : {size_t{1}, size_t{12}, size_t{16}, size_t{24}, size_t{29}, size_t{40}, good.size() - 14}) {
    Bytes bad = good;
    bad[at] ^= 0x01;
    EXPECT_FALSE(DecodePng(bad)) << "byte " << at;
  }
  // Sound chunks around short data, an unknown filter, bit depth 3, colour type 5, no palette.
  EXPECT_FALSE(DecodePng(MakePng(2, 2, 8, 6, {0, 1, 2, 3, 4})));
  EXPECT_FALSE(DecodePng(MakePng(1, 1, 8, 0, {9, 1})));
  EXPECT_FALSE(DecodePng(MakePng(1, 1, 3, 0, {0, 0})));
  EXPECT_FALSE(DecodePng(MakePng(1, 1, 8, 5, {0, 0, 0})));
  EXPECT_FALSE(DecodePng(MakePng(1, 1, 8, 3, {0, 0})));
  good.insert(good.end(), {1, 2, 3});  // bytes after the end are ignored
  EXPECT_TRUE(DecodePng(good));
}

TEST(DecodePng, ProgramPicturesDecodeToTheirSizes) {
  const auto res = std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "res";
  auto load = [&](const std::string& name) {
    std::ifstream in(res / name, std::ios::binary);
    return DecodePng(Bytes(std::istreambuf_iterator<char>(in), {}));
  };
  auto logo = load("logo.png");
  ASSERT_TRUE(logo) << res;
  EXPECT_EQ(logo->width, logo->height);
  auto gear = load("gear.png");
  ASSERT_TRUE(gear);
  EXPECT_EQ(gear->width, 16);
  for (int i : {0, 1, 2, 4, 5}) {
    for (std::string suffix : {"", "_active"}) {
      const std::string name = "menu" + std::to_string(i) + suffix + ".png";
      auto image = load(name);
      ASSERT_TRUE(image) << name;
      EXPECT_EQ(image->width, 24) << name;
      EXPECT_EQ(image->height, 24) << name;
      EXPECT_EQ(image->pixels[3], 0) << name;  // transparent around the glyph
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
