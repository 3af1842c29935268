// Move-only owners for Win32 handles, each taking its handle on the line that creates it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

namespace quorrel {

template <typename T, auto Close, intptr_t InvalidValue = 0>
class UniqueAny {
  static T Invalid() {
    if constexpr (std::is_pointer_v<T>) {
      return reinterpret_cast<T>(InvalidValue);
    } else {
      return static_cast<T>(InvalidValue);
    }
  }

 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != Invalid(); }
  T release() { return std::exchange(value_, Invalid()); }
  void reset() { reset(Invalid()); }
  void reset(T value) {
    T old = std::exchange(value_, value);
    if (old != Invalid()) Close(old);
  }
  // For out-parameters of the APIs that fill a handle.
  T* put() {
    reset();
    return &value_;
  }

 private:
  T value_ = Invalid();
};

namespace detail {
inline void CloseHandleFn(HANDLE h) { ::CloseHandle(h); }
inline void DestroyWindowFn(HWND h) { ::DestroyWindow(h); }
inline void DeleteObjectFn(HGDIOBJ h) { ::DeleteObject(h); }
inline void DeleteDCFn(HDC h) { ::DeleteDC(h); }
inline void DestroyIconFn(HICON h) { ::DestroyIcon(h); }
inline void RegCloseKeyFn(HKEY h) { ::RegCloseKey(h); }
inline void FreeLibraryFn(HMODULE h) { ::FreeLibrary(h); }
}  // namespace detail

using UniqueHandle = UniqueAny<HANDLE, detail::CloseHandleFn>;
using UniqueFile = UniqueAny<HANDLE, detail::CloseHandleFn, -1>;
using UniqueHwnd = UniqueAny<HWND, detail::DestroyWindowFn>;
using UniqueGdiObject = UniqueAny<HGDIOBJ, detail::DeleteObjectFn>;
using UniqueFont = UniqueAny<HFONT, detail::DeleteObjectFn>;
using UniqueBrush = UniqueAny<HBRUSH, detail::DeleteObjectFn>;
using UniqueBitmap = UniqueAny<HBITMAP, detail::DeleteObjectFn>;
using UniqueMemDc = UniqueAny<HDC, detail::DeleteDCFn>;
using UniqueIcon = UniqueAny<HICON, detail::DestroyIconFn>;
using UniqueHkey = UniqueAny<HKEY, detail::RegCloseKeyFn>;
using UniqueModule = UniqueAny<HMODULE, detail::FreeLibraryFn>;

// A COM interface pointer owned by one reference, released when the owner goes.
struct ComRelease {
  template <typename T>
  void operator()(T* p) const {
    if (p) p->Release();
  }
};
template <typename T>
using UniqueCom = std::unique_ptr<T, ComRelease>;

// A window DC from GetDC, released to its window.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a DC for the scope and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() { ::SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace quorrel
