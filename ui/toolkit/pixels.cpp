#include "ui/toolkit/pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace quorrel {
namespace {

bool Fits(size_t bytes, int width, int height) {
  return width > 0 && height > 0 && bytes / 4 / static_cast<size_t>(width) >= static_cast<size_t>(height);
}

// One box blur along a line of `count` pixels, `step` bytes apart.
void BlurLine(uint8_t* line, size_t count, size_t step, int radius, std::vector<uint8_t>& copy) {
  copy.resize(count * 4);
  for (size_t i = 0; i < count; ++i) std::memcpy(&copy[i * 4], line + i * step, 4);
  const long last = static_cast<long>(count) - 1;
  auto at = [&](long i, int c) {
    return static_cast<int>(copy[static_cast<size_t>(std::clamp(i, 0L, last)) * 4 + static_cast<size_t>(c)]);
  };
  const int window = 2 * radius + 1;
  for (int c = 0; c < 4; ++c) {
    int sum = 0;
    for (long k = -radius; k <= radius; ++k) sum += at(k, c);
    for (long i = 0; i <= last; ++i) {
      const size_t at_i = static_cast<size_t>(i) * step + static_cast<size_t>(c);
      line[at_i] = static_cast<uint8_t>((sum + window / 2) / window);
      sum += at(i + radius + 1, c) - at(i - radius, c);
    }
  }
}

// The source pixels that make one target pixel along an axis, with their weights.
struct Taps {
  size_t first = 0;
  std::vector<float> weights;
};

std::vector<Taps> TentTaps(int from, int to) {
  std::vector<Taps> taps(static_cast<size_t>(to));
  const double scale = static_cast<double>(from) / to;
  const double support = std::max(1.0, scale);
  for (int i = 0; i < to; ++i) {
    const double centre = (i + 0.5) * scale - 0.5;
    const int lo = std::max(0, static_cast<int>(std::floor(centre - support)) + 1);
    const int hi = std::min(from - 1, static_cast<int>(std::ceil(centre + support)) - 1);
    Taps& t = taps[static_cast<size_t>(i)];
    double sum = 0;
    for (int j = lo; j <= hi; ++j) sum += std::max(0.0, 1.0 - std::abs(j - centre) / support);
    t.first = static_cast<size_t>(lo);
    for (int j = lo; j <= hi; ++j)
      t.weights.push_back(static_cast<float>(std::max(0.0, 1.0 - std::abs(j - centre) / support) / sum));
    if (t.weights.empty()) {  // a centre beyond the last pixel: take the nearest one
      t.first = static_cast<size_t>(std::clamp(static_cast<int>(std::lround(centre)), 0, from - 1));
      t.weights.push_back(1.0f);
    }
  }
  return taps;
}

// Filters `count` lines of 4-byte pixels along one axis: pixel k of line n sits at
// n * lineStep + k * pixelStep in both buffers.
void FilterAxis(const uint8_t* from, size_t fromPixelStep, size_t fromLineStep, uint8_t* to,
                size_t toPixelStep, size_t toLineStep, size_t count, const std::vector<Taps>& taps) {
  for (size_t n = 0; n < count; ++n) {
    for (size_t k = 0; k < taps.size(); ++k) {
      const Taps& t = taps[k];
      float acc[4] = {0, 0, 0, 0};
      for (size_t j = 0; j < t.weights.size(); ++j) {
        const uint8_t* p = from + n * fromLineStep + (t.first + j) * fromPixelStep;
        for (size_t c = 0; c < 4; ++c) acc[c] += p[c] * t.weights[j];
      }
      uint8_t* q = to + n * toLineStep + k * toPixelStep;
      for (size_t c = 0; c < 4; ++c) q[c] = static_cast<uint8_t>(std::clamp(std::lround(acc[c]), 0L, 255L));
    }
  }
}

}  // namespace

void BoxBlur(std::span<uint8_t> pixels, int width, int height, int radius, int passes) {
  if (!Fits(pixels.size(), width, height) || radius <= 0 || passes <= 0) return;
  const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  // Keeps the running sums far from overflow and the work bounded.
  radius = std::min(radius, 1024);
  std::vector<uint8_t> copy;
  for (int p = 0; p < passes; ++p) {
    for (size_t y = 0; y < h; ++y) BlurLine(&pixels[y * w * 4], w, 4, radius, copy);
    for (size_t x = 0; x < w; ++x) BlurLine(&pixels[x * 4], h, w * 4, radius, copy);
  }
}

void Dim(std::span<uint8_t> pixels, int keep) {
  keep = std::clamp(keep, 0, 256);
  for (size_t i = 0; i + 4 <= pixels.size(); i += 4) {
    for (size_t c = 0; c < 3; ++c) pixels[i + c] = static_cast<uint8_t>(pixels[i + c] * keep / 256);
    pixels[i + 3] = 0xFF;
  }
}

bool Resample(std::span<const uint8_t> from, int fromWidth, int fromHeight, std::span<uint8_t> to,
              int toWidth, int toHeight) {
  constexpr int kMaxSide = 4096;  // bounds the work buffer at 64 MiB
  if (!Fits(from.size(), fromWidth, fromHeight) || !Fits(to.size(), toWidth, toHeight) ||
      std::max({fromWidth, fromHeight, toWidth, toHeight}) > kMaxSide)
    return false;
  const size_t fw = static_cast<size_t>(fromWidth), fh = static_cast<size_t>(fromHeight);
  const size_t tw = static_cast<size_t>(toWidth);
  // Rows first (fh lines of tw pixels), then columns.
  std::vector<uint8_t> between(tw * fh * 4);
  FilterAxis(from.data(), 4, fw * 4, between.data(), 4, tw * 4, fh, TentTaps(fromWidth, toWidth));
  FilterAxis(between.data(), tw * 4, 4, to.data(), tw * 4, 4, tw, TentTaps(fromHeight, toHeight));
  return true;
}

}  // namespace quorrel
