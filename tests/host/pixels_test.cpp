#include "ui/toolkit/pixels.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace quorrel;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Solid(int w, int h, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  Bytes out;
  for (int i = 0; i < w * h; ++i) out.insert(out.end(), {b, g, r, a});
  return out;
}

uint8_t At(const Bytes& px, int w, int x, int y, int c) {
  return px[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4 + static_cast<size_t>(c)];
}

long Sum(const Bytes& px, int c) {
  long s = 0;
  for (size_t i = static_cast<size_t>(c); i < px.size(); i += 4) s += px[i];
  return s;
}

}  // namespace

TEST(BoxBlur, UniformPictureStaysTheSame) {
  Bytes px = Solid(7, 5, 10, 20, 30, 255);
  const Bytes before = px;
  BoxBlur(px, 7, 5, 3, 3);
  EXPECT_EQ(px, before);
}

TEST(BoxBlur, SpreadsAPointSymmetricallyAndKeepsItsWeightInside) {
  const int w = 21, h = 21;
  Bytes px = Solid(w, h, 0, 0, 0, 0);
  px[(10 * w + 10) * 4] = 255;
  // A 5 x 5 block keeps the rounding small against the total.
  Bytes big = Solid(w, h, 0, 0, 0, 0);
  for (int y = 8; y <= 12; ++y)
    for (int x = 8; x <= 12; ++x) big[(static_cast<size_t>(y) * w + x) * 4] = 250;
  const long total = Sum(big, 0);
  BoxBlur(big, w, h, 2, 3);
  // Far from the edges nothing leaves the picture: the total stays, give or take rounding.
  EXPECT_NEAR(Sum(big, 0), total, total / 50);
  EXPECT_LT(At(big, w, 10, 10, 0), 250);
  EXPECT_GT(At(big, w, 10, 10, 0), At(big, w, 14, 10, 0));
  EXPECT_EQ(At(big, w, 6, 10, 0), At(big, w, 14, 10, 0));
  EXPECT_EQ(At(big, w, 10, 6, 0), At(big, w, 10, 14, 0));
  EXPECT_EQ(At(big, w, 0, 0, 0), 0);  // beyond 3 passes x radius 2
  EXPECT_EQ(Sum(big, 1), 0);          // channels stay apart
  BoxBlur(px, w, h, 1, 1);
  EXPECT_EQ(At(px, w, 10, 10, 0), 28);  // 255 / 9, rounded
  EXPECT_EQ(At(px, w, 11, 11, 0), 28);
  EXPECT_EQ(At(px, w, 12, 10, 0), 0);
}

TEST(BoxBlur, EdgesRepeatTheBorderAndRadiusMayExceedThePicture) {
  // A step: left half black, right half white. Blurring never darkens the white border.
  const int w = 8, h = 2;
  Bytes px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px.insert(px.end(), 4, x < 4 ? 0 : 255);
  BoxBlur(px, w, h, 1, 1);
  EXPECT_EQ(At(px, w, 0, 0, 0), 0);
  EXPECT_EQ(At(px, w, 7, 1, 0), 255);
  EXPECT_EQ(At(px, w, 3, 0, 0), 85);
  EXPECT_EQ(At(px, w, 4, 0, 0), 170);

  Bytes one = Solid(1, 1, 9, 8, 7, 6);
  BoxBlur(one, 1, 1, 100000, 3);
  EXPECT_EQ(one, Solid(1, 1, 9, 8, 7, 6));
  Bytes line = Solid(3, 1, 0, 0, 0, 0);
  line[0] = 255;
  BoxBlur(line, 3, 1, 50, 2);
  for (int x = 0; x < 3; ++x) EXPECT_LT(At(line, 3, x, 0, 0), 255);
}

TEST(BoxBlur, BadSizesLeaveTheBufferAlone) {
  Bytes px = Solid(4, 4, 1, 2, 3, 4);
  px[0] = 200;
  const Bytes before = px;
  BoxBlur(px, 5, 4, 1, 1);   // buffer too short for 5 x 4
  BoxBlur(px, 0, 4, 1, 1);
  BoxBlur(px, -4, -4, 1, 1);
  BoxBlur(px, 4, 4, 0, 3);
  BoxBlur(px, 4, 4, 1, 0);
  BoxBlur(std::span<uint8_t>(px.data(), 10), 4, 4, 1, 1);
  EXPECT_EQ(px, before);
}

TEST(Dim, ScalesColourAndMakesOpaque) {
  Bytes px{200, 100, 255, 0, 0, 1, 2, 3, 9};  // a trailing partial pixel is not touched
  Dim(px, 128);
  EXPECT_EQ(px, (Bytes{100, 50, 127, 255, 0, 0, 1, 255, 9}));
  Dim(px, 1000);  // clamped to "keep all"
  EXPECT_EQ(px, (Bytes{100, 50, 127, 255, 0, 0, 1, 255, 9}));
  Dim(px, -5);
  EXPECT_EQ(px, (Bytes{0, 0, 0, 255, 0, 0, 0, 255, 9}));
}

TEST(Resample, SameSizeIsACopyAndSolidStaysSolid) {
  Bytes src(3 * 2 * 4);
  std::iota(src.begin(), src.end(), 0);
  Bytes dst(src.size());
  ASSERT_TRUE(Resample(src, 3, 2, dst, 3, 2));
  EXPECT_EQ(dst, src);

  Bytes solid = Solid(24, 24, 0xEA, 0x3C, 0x62, 0xFF);
  for (auto [w, h] : {std::pair{36, 36}, {110, 110}, {7, 3}, {1, 1}, {24, 60}}) {
    Bytes out(static_cast<size_t>(w * h * 4));
    ASSERT_TRUE(Resample(solid, 24, 24, out, w, h)) << w << "x" << h;
    EXPECT_EQ(out, Solid(w, h, 0xEA, 0x3C, 0x62, 0xFF)) << w << "x" << h;
  }
}

TEST(Resample, EnlargingInterpolatesAndShrinkingAverages) {
  // Two pixels, black and white, doubled: the middle two blend, the ends keep their value.
  Bytes two{0, 0, 0, 0, 255, 255, 255, 255};
  Bytes four(16);
  ASSERT_TRUE(Resample(two, 2, 1, four, 4, 1));
  EXPECT_EQ(four[0], 0);
  EXPECT_EQ(four[12], 255);
  EXPECT_NEAR(four[4], 64, 1);
  EXPECT_NEAR(four[8], 191, 1);

  // A one-pixel checkerboard halved is an even grey, not a pick of one colour.
  const int n = 16;
  Bytes board;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) board.insert(board.end(), 4, (x + y) % 2 ? 255 : 0);
  Bytes half(static_cast<size_t>(n / 2 * n / 2 * 4));
  ASSERT_TRUE(Resample(board, n, n, half, n / 2, n / 2));
  for (int y = 1; y < n / 2 - 1; ++y)
    for (int x = 1; x < n / 2 - 1; ++x) EXPECT_NEAR(At(half, n / 2, x, y, 0), 128, 2) << x << "," << y;
}

TEST(Resample, RefusesBadSizesAndShortBuffers) {
  Bytes src = Solid(4, 4, 1, 2, 3, 4);
  Bytes dst(8 * 8 * 4, 7);
  const Bytes before = dst;
  EXPECT_FALSE(Resample(src, 5, 4, dst, 8, 8));
  EXPECT_FALSE(Resample(src, 4, 4, dst, 9, 8));
  EXPECT_FALSE(Resample(src, 0, 4, dst, 8, 8));
  EXPECT_FALSE(Resample(src, 4, 4, dst, 8, -1));
  EXPECT_FALSE(Resample(src, 4, 4, std::span<uint8_t>(dst.data(), 3), 1, 1));
  EXPECT_EQ(dst, before);
  Bytes huge(4);
  EXPECT_FALSE(Resample(huge, 1, 1, huge, 5000, 0));
}
