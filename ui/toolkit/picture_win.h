// Pictures for the drawn controls: 32-bit top-down DIB sections with premultiplied alpha,
// the form AlphaBlend draws.
#pragma once

#include <windows.h>

#include "base/handles_win.h"
#include "ui/toolkit/png_image.h"

namespace quorrel {

// An RCDATA resource holding a PNG file. Empty when the resource is missing or damaged.
// `module` null: the picture module below.
UniqueBitmap LoadPngResource(int id, HMODULE module = nullptr);

// The module whose pictures the windows show: the running executable until set. A test
// that opens the program's windows in its own process points it at the program's exe
// (loaded as a data file). Returns the previous one; null restores the default.
HMODULE SetPictureModule(HMODULE module);

// A 32-bit top-down bitmap of that size (rows from the top, 4 bytes a pixel).
BITMAPINFO TopDownBitmapInfo(int width, int height);

// Empty when the image is empty or its pixel buffer does not match its size.
UniqueBitmap BitmapFromRgba(const RgbaImage& image);

}  // namespace quorrel
