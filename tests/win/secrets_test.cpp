// Passwords leave no copy behind in freed memory when they pass through a window: every
// heap block the program frees while a box is filled, read and cleared is searched for the
// password, as UTF-16 and as ANSI bytes.
#include <windows.h>
#include <malloc.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "base/encoding_win.h"
#include "base/text.h"
#include "tests/win/test_util.h"
#include "ui/toolkit/window_win.h"

namespace {

// What the watch looks for in freed blocks; empty: not watching.
std::string g_needleWide, g_needleAnsi;
int g_leaks = 0;

bool Holds(const char* block, size_t size, const std::string& needle) {
  return !needle.empty() && size >= needle.size() &&
         std::search(block, block + size, needle.begin(), needle.end()) != block + size;
}

void Inspect(void* p) {
  if (!p || (g_needleWide.empty() && g_needleAnsi.empty())) return;
  const size_t size = _msize(p);
  const auto* block = static_cast<const char*>(p);
  if (Holds(block, size, g_needleWide) || Holds(block, size, g_needleAnsi)) ++g_leaks;
}

}  // namespace

// The test program's own allocator: freed blocks are searched while a watch is on.
void* operator new(size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  Inspect(p);
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

using namespace quorrel;

namespace {

enum Control : int { kBox };
const ui::ControlSpec kControls[] = {ui::Edit(kBox, "box", {10, 10, 200, 30})};

TEST(Secrets, APasswordThroughABoxLeavesNoCopyInFreedMemory) {
  ui::WindowSpec spec{"secrets", 240, 60, kControls, {}};
  ui::Window* w = ui::Window::Create(spec, nullptr);
  ASSERT_NE(w, nullptr);
  HWND hwnd = w->hwnd();
  // Long enough to live on the heap (beyond any string's inline buffer), with Chinese text.
  const std::string secret = Utf8ToAnsi("Xq7-口令-Vm2-密码-Lk9-zz");
  const std::wstring wide = AnsiToWide(secret);
  g_needleAnsi = secret;
  g_needleWide.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
  g_leaks = 0;
  {
    w->SetText(kBox, secret);
    const SecretText back = w->GetText(kBox);
    EXPECT_EQ(back.str(), secret);
    SecretText moved{Text(secret)};
    SecretText into(std::move(moved));
    w->SetText(kBox, "");
  }
  g_needleAnsi.clear();
  g_needleWide.clear();
  DestroyWindow(hwnd);
  PumpMessages(std::chrono::milliseconds(0));
  EXPECT_EQ(g_leaks, 0) << "freed blocks held the password";

  // The watch itself finds a copy that is freed unwiped.
  g_needleAnsi = secret;
  { std::string copy = secret + "tail"; }
  g_needleAnsi.clear();
  EXPECT_GE(g_leaks, 1);
}

}  // namespace
