// The program only decodes its own built-in pictures, but a damaged or replaced resource
// must be refused without a crash. The first byte picks how the rest is used: raw file
// bytes; a chunk stream whose check sums the harness fills in; or a small image header plus
// compressed pixel data, so that the fuzzer (which cannot see inside libpng) reaches past the
// check sums and the inflater into the row decoding.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/toolkit/pixels.h"
#include "ui/toolkit/png_image.h"

namespace {

void PutChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t length) {
  const size_t start = out.size();
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(length >> shift));
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + length);
  uLong crc = crc32(0, out.data() + start + 4, static_cast<uInt>(length + 4));
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
}

// Input after the mode byte: repeated [length: 1 byte][type: 4 bytes][data: length bytes].
std::vector<uint8_t> ChunkStream(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  size_t at = 0;
  while (at + 5 <= size) {
    size_t length = data[at];
    const uint8_t* type = data + at + 1;
    at += 5;
    if (length > size - at) length = size - at;
    char name[4] = {static_cast<char>(type[0]), static_cast<char>(type[1]), static_cast<char>(type[2]),
                     static_cast<char>(type[3])};
    PutChunk(out, name, data + at, length);
    at += length;
  }
  return out;
}

// Input after the mode byte: [width][height][depth][colour type][interlace], then the
// scanlines (filter bytes included) that the harness compresses into one IDAT.
std::vector<uint8_t> SmallImage(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 5) return out;
  const uint8_t ihdr[13] = {0, 0, 0, static_cast<uint8_t>(data[0] % 64 + 1), 0, 0, 0,
                            static_cast<uint8_t>(data[1] % 64 + 1), data[2], data[3], 0, 0,
                            static_cast<uint8_t>(data[4] & 1)};
  PutChunk(out, "IHDR", ihdr, sizeof ihdr);
  if (data[3] == 3) {  // a palette image needs its palette (and may have transparency)
    uint8_t palette[3 * 16];
    for (size_t i = 0; i < sizeof palette; ++i) palette[i] = static_cast<uint8_t>(i * 37);
    PutChunk(out, "PLTE", palette, sizeof palette);
    PutChunk(out, "tRNS", palette, 7);
  }
  uLongf packed = compressBound(static_cast<uLong>(size - 5));
  std::vector<uint8_t> idat(packed);
  if (compress(idat.data(), &packed, data + 5, static_cast<uLong>(size - 5)) != Z_OK) return out;
  PutChunk(out, "IDAT", idat.data(), packed);
  PutChunk(out, "IEND", nullptr, 0);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> file;
  switch (data[0] % 3) {
    case 0: file.assign(data + 1, data + size); break;
    case 1: file = ChunkStream(data + 1, size - 1); break;
    default: file = SmallImage(data + 1, size - 1); break;
  }
  auto image = quorrel::DecodePng(file);
  if (!image) return 0;
  if (image->width <= 0 || image->height <= 0 || image->width > quorrel::kMaxPngSide ||
      image->height > quorrel::kMaxPngSide)
    std::abort();
  if (image->pixels.size() != static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 4)
    std::abort();
  // What the controls then do with a picture: shrink or enlarge it, blur it.
  std::vector<uint8_t> small(24 * 24 * 4);
  if (!quorrel::Resample(image->pixels, image->width, image->height, small, 24, 24)) std::abort();
  quorrel::BoxBlur(small, 24, 24, 2, 3);
  return 0;
}
