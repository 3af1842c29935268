#include "ui/toolkit/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>

namespace quorrel {
namespace {

constexpr size_t kPngSignatureSize = 8;
// Ancillary chunks (text, profiles) are kept in memory whole: bound them.
constexpr png_alloc_size_t kMaxChunkBytes = 1u << 20;

struct Source {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t n) {
  auto* src = static_cast<Source*>(png_get_io_ptr(png));
  if (n > src->size - src->pos) png_error(png, "truncated");
  std::memcpy(out, src->data + src->pos, n);
  src->pos += n;
}

// libpng's default handlers print to stderr; a bad picture is an ordinary result here.
[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

struct ReadStruct {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStruct() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Everything written after setjmp lives behind this pointer, so no local of the function
// that calls setjmp changes between setjmp and a longjmp back to it.
struct Work {
  Source src;
  RgbaImage image;
  std::vector<png_bytep> rows;
};

bool Decode(png_structp png, png_infop info, Work* work) {
  if (setjmp(png_jmpbuf(png))) return false;

  png_set_read_fn(png, &work->src, ReadFromMemory);
  png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colour = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colour, nullptr, nullptr, nullptr);
  if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide) return false;

  bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (transparency) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_scale_16(png);
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (!(colour & PNG_COLOR_MASK_ALPHA) && !transparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  size_t stride = static_cast<size_t>(width) * 4;
  if (png_get_rowbytes(png, info) != stride || png_get_bit_depth(png, info) != 8) return false;

  RgbaImage& image = work->image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.assign(stride * height, 0);
  work->rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) work->rows[y] = image.pixels.data() + stride * y;
  png_read_image(png, work->rows.data());
  // Reading up to IEND also checks the last chunks: a cut-off file is refused.
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

std::optional<RgbaImage> DecodePng(std::span<const uint8_t> data) {
  if (data.size() < kPngSignatureSize ||
      png_sig_cmp(const_cast<png_bytep>(data.data()), 0, kPngSignatureSize) != 0)
    return std::nullopt;
  ReadStruct rs;
  rs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!rs.png) return std::nullopt;
  rs.info = png_create_info_struct(rs.png);
  if (!rs.info) return std::nullopt;

  auto work = std::make_unique<Work>();
  work->src = Source{data.data(), data.size(), 0};
  if (!Decode(rs.png, rs.info, work.get())) return std::nullopt;
  return std::move(work->image);
}

}  // namespace quorrel
