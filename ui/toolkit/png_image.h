// PNG pictures decoded to 8-bit RGBA in memory (the pictures are built into the program).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorrel {

// Top-down rows of R, G, B, A bytes; alpha is straight (not premultiplied).
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4 bytes
};

// Larger pictures are refused: nothing the program shows comes near this.
inline constexpr int kMaxPngSide = 4096;

// Any PNG colour type and bit depth, interlaced or not, expanded to 8-bit RGBA.
// Damaged, truncated or oversized data gives nullopt.
std::optional<RgbaImage> DecodePng(std::span<const uint8_t> data);

}  // namespace quorrel
