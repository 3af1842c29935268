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

uint8_t At(const Bytes& px, int w, int x, int y) { return px[(static_cast<size_t>(y) * w + x) * 4]; }

long Sum(const Bytes& px, int c) {
  long s = 0;
  for (size_t i = static_cast<size_t>(c); i < px.size(); i += 4) s += px[i];
  return s;
}

}  // namespace

TEST(BoxBlur, SpreadsSymmetricallyKeepsWeightAndRepeatsTheBorder) {
  const int w = 21, h = 21;
  Bytes big = Solid(w, h, 0, 0, 0, 0);
  for (int y = 8; y <= 12; ++y)
    for (int x = 8; x <= 12; ++x) big[(static_cast<size_t>(y) * w + x) * 4] = 250;
  const long total = Sum(big, 0);
  BoxBlur(big, w, h, 2, 3);
  EXPECT_NEAR(Sum(big, 0), total, total / 50);  // nothing leaves the picture far from the edges
  EXPECT_LT(At(big, w, 10, 10), 250);
  EXPECT_GT(At(big, w, 10, 10), At(big, w, 14, 10));
  EXPECT_EQ(At(big, w, 6, 10), At(big, w, 14, 10));
  EXPECT_EQ(At(big, w, 10, 6), At(big, w, 10, 14));
  EXPECT_EQ(At(big, w, 0, 0), 0);  // beyond 3 passes x radius 2
  EXPECT_EQ(Sum(big, 1), 0);       // channels stay apart

  Bytes point = Solid(w, h, 0, 0, 0, 0);
  point[(10 * w + 10) * 4] = 255;
  BoxBlur(point, w, h, 1, 1);
  EXPECT_EQ(At(point, w, 11, 11), 28);  // 255 / 9, rounded
  EXPECT_EQ(At(point, w, 12, 10), 0);

  // A black-to-white step: the borders repeat, so blurring never darkens the white edge.
  Bytes step;
  for (int x = 0; x < 8; ++x) step.insert(step.end(), 4, x < 4 ? 0 : 255);
  BoxBlur(step, 8, 1, 1, 1);
  EXPECT_EQ((Bytes{At(step, 8, 0, 0), At(step, 8, 3, 0), At(step, 8, 4, 0), At(step, 8, 7, 0)}),
            (Bytes{0, 85, 170, 255}));
  Bytes uniform = Solid(7, 5, 10, 20, 30, 255);
  BoxBlur(uniform, 7, 5, 100000, 3);  // radius beyond the picture
  EXPECT_EQ(uniform, Solid(7, 5, 10, 20, 30, 255));
}

TEST(BoxBlur, BadSizesLeaveTheBufferAlone) {
  Bytes px = Solid(4, 4, 1, 2, 3, 4);
  px[0] = 200;
  const Bytes before = px;
  BoxBlur(px, 5, 4, 1, 1);  // buffer too short for 5 x 4
  BoxBlur(px, -4, -4, 1, 1);
  BoxBlur(px, 4, 4, 0, 3);
  BoxBlur(px, 4, 4, 1, 0);
  BoxBlur(std::span<uint8_t>(px.data(), 10), 4, 4, 1, 1);
  EXPECT_EQ(px, before);
}

TEST(Dim, ScalesColourClampsAndMakesOpaque) {
  Bytes px{200, 100, 255, 0, 0, 1, 2, 3, 9};  // a trailing partial pixel is not touched
  Dim(px, 128);
  EXPECT_EQ(px, (Bytes{100, 50, 127, 255, 0, 0, 1, 255, 9}));
  Dim(px, 1000);
  EXPECT_EQ(px, (Bytes{100, 50, 127, 255, 0, 0, 1, 255, 9}));
  Dim(px, -5);
  EXPECT_EQ(px, (Bytes{0, 0, 0, 255, 0, 0, 0, 255, 9}));
}

TEST(Resample, CopiesInterpolatesAveragesAndRefusesBadSizes) {
  Bytes src(3 * 2 * 4);
  std::iota(src.begin(), src.end(), 0);
  Bytes dst(src.size());
  ASSERT_TRUE(Resample(src, 3, 2, dst, 3, 2));
  EXPECT_EQ(dst, src);
  Bytes solid = Solid(24, 24, 0xEA, 0x3C, 0x62, 0xFF);
  for (auto [w, h] : {std::pair{36, 36}, {7, 3}, {1, 1}, {24, 60}}) {
    Bytes out(static_cast<size_t>(w * h * 4));
    ASSERT_TRUE(Resample(solid, 24, 24, out, w, h));
    EXPECT_EQ(out, Solid(w, h, 0xEA, 0x3C, 0x62, 0xFF)) << w << "x" << h;
  }
  // Black and white doubled: the middle two blend, the ends keep their value.
  Bytes four(16);
  ASSERT_TRUE(Resample(Bytes{0, 0, 0, 0, 255, 255, 255, 255}, 2, 1, four, 4, 1));
  EXPECT_EQ(four[0], 0);
  EXPECT_NEAR(four[4], 64, 1);
  EXPECT_NEAR(four[8], 191, 1);
  EXPECT_EQ(four[12], 255);
  // A one-pixel checkerboard halved is an even grey, not a pick of one colour.
  const int n = 16;
  Bytes board;
  for (int i = 0; i < n * n; ++i) board.insert(board.end(), 4, (i % n + i / n) % 2 ? 255 : 0);
  Bytes half(static_cast<size_t>(n / 2 * n / 2 * 4));
  ASSERT_TRUE(Resample(board, n, n, half, n / 2, n / 2));
  for (int y = 1; y < n / 2 - 1; ++y)
    for (int x = 1; x < n / 2 - 1; ++x) EXPECT_NEAR(At(half, n / 2, x, y), 128, 2) << x << "," << y;

  Bytes small = Solid(4, 4, 1, 2, 3, 4), target(8 * 8 * 4, 7);
  const Bytes before = target;
  EXPECT_FALSE(Resample(small, 5, 4, target, 8, 8));
  EXPECT_FALSE(Resample(small, 4, 4, target, 9, 8));
  EXPECT_FALSE(Resample(small, 0, 4, target, 8, 8));
  EXPECT_FALSE(Resample(small, 4, 4, target, 8, -1));
  EXPECT_FALSE(Resample(small, 4, 4, std::span<uint8_t>(target.data(), 3), 1, 1));
  EXPECT_EQ(target, before);
}
