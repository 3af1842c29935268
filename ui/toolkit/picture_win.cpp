#include "ui/toolkit/picture_win.h"

#include <cstring>
#include <utility>

#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {
HMODULE g_pictureModule = nullptr;
}  // namespace

HMODULE SetPictureModule(HMODULE module) { return std::exchange(g_pictureModule, module); }

BITMAPINFO TopDownBitmapInfo(int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

UniqueBitmap BitmapFromRgba(const RgbaImage& image) {
  if (image.width <= 0 || image.height <= 0 || image.width > kMaxPngSide || image.height > kMaxPngSide)
    return {};
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (image.pixels.size() != count * 4) return {};

  BITMAPINFO bi = TopDownBitmapInfo(image.width, image.height);  // like the decoded rows
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return {};

  const uint8_t* src = image.pixels.data();
  auto* dst = static_cast<uint8_t*>(bits);
  for (size_t i = 0; i < count; ++i, src += 4, dst += 4) {
    const unsigned a = src[3];
    // AlphaBlend with per-pixel alpha wants BGRA with the colour premultiplied.
    dst[0] = static_cast<uint8_t>((src[2] * a + 127) / 255);
    dst[1] = static_cast<uint8_t>((src[1] * a + 127) / 255);
    dst[2] = static_cast<uint8_t>((src[0] * a + 127) / 255);
    dst[3] = static_cast<uint8_t>(a);
  }
  GdiFlush();
  return bitmap;
}

UniqueBitmap LoadPngResource(int id, HMODULE module) {
  if (!module) module = g_pictureModule ? g_pictureModule : GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), ui::WideId(RT_RCDATA));
  if (!found) return {};
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);  // resource memory: never freed
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};
  auto image = DecodePng({static_cast<const uint8_t*>(data), size});
  if (!image) return {};
  return BitmapFromRgba(*image);
}

}  // namespace quorrel
