// Operations on 32-bit pictures in memory: top-down rows of 4-byte pixels, any channel
// order (the drawn controls use premultiplied BGRA).
#pragma once

#include <cstdint>
#include <span>

namespace quorrel {

// `passes` box blurs of the given radius, in place; edges repeat the border pixels. Three
// passes come close to a Gaussian blur. Buffers smaller than width * height * 4 bytes are
// left alone.
void BoxBlur(std::span<uint8_t> pixels, int width, int height, int radius, int passes);

// Scales the first three bytes of every pixel by keep/256 and makes the pixel opaque.
void Dim(std::span<uint8_t> pixels, int keep);

// Resizes with a tent filter that widens when shrinking, so that both enlarged and reduced
// pictures stay smooth. Channels are filtered alike, which is right for premultiplied
// alpha. Returns false (and leaves `to` alone) on a bad size or a short buffer.
bool Resample(std::span<const uint8_t> from, int fromWidth, int fromHeight, std::span<uint8_t> to,
              int toWidth, int toHeight);

}  // namespace quorrel
