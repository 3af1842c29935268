// Passwords leave no copy in freed memory on their way through an import or an add: every heap
// block the test program frees while a watch is on is searched for them.
#include <malloc.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "exchange/import_lines.h"
#include "table_test_support.h"

namespace {

// Every password of the test holds this marker followed by its three-digit number.
constexpr char kMarker[] = "Zq#";
constexpr int kPasswords = 200;
bool g_watching = false;
bool g_seen[kPasswords] = {};

// Looks at a block about to be freed; allocates nothing.
void Inspect(void* p) {
  if (!g_watching || !p) return;
  const size_t size = malloc_usable_size(p);
  const auto* block = static_cast<const char*>(p);
  for (const char* at = block; size >= 6 && at + 6 <= block + size;) {
    at = static_cast<const char*>(memmem(at, static_cast<size_t>(block + size - at), kMarker, 3));
    if (!at || at + 6 > block + size) break;
    if (at[3] >= '0' && at[3] <= '9' && at[4] >= '0' && at[4] <= '9' && at[5] >= '0' && at[5] <= '9') {
      const int n = (at[3] - '0') * 100 + (at[4] - '0') * 10 + (at[5] - '0');
      if (n < kPasswords) g_seen[n] = true;
    }
    at += 3;
  }
}

}  // namespace

// The test program's own allocator: freed blocks are searched while a watch is on.
void* operator new(size_t size) {
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept {
  Inspect(p);
  std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

using namespace quorrel;
using namespace quorrel::testing;

namespace {

// Password n: short ones fit in a string's own inline buffer, long ones live on the heap.
std::string Password(int n) {
  char number[4];
  std::snprintf(number, sizeof number, "%03d", n);
  std::string p = std::string(kMarker) + number;
  return n % 2 ? p + "-a-much-longer-password-on-the-heap" : p + "!";
}

// What was seen in freed blocks while `step` ran.
template <typename F>
int Leaked(F&& step) {
  std::memset(g_seen, 0, sizeof g_seen);
  g_watching = true;
  step();
  g_watching = false;
  int n = 0;
  for (bool seen : g_seen) n += seen;
  return n;
}

TEST(Secrets, AnImportAndAddsLeaveNoPasswordInFreedBlocks) {
  StoreHarness h;
  ASSERT_EQ(CreateAccountTable(h.store), TableOutcome::kCreated);
  std::string text;
  text.reserve(kPasswords * 64);
  for (int i = 0; i < kPasswords; ++i) text += "name" + std::to_string(i) + "----user----" + Password(i) + "\r\n";
  size_t imported = 0;
  const int afterImport = Leaked([&] { imported = ImportAccountText(h.store, text).imported; });
  EXPECT_EQ(imported, static_cast<size_t>(kPasswords));
  EXPECT_EQ(afterImport, 0) << "passwords of an import left in freed blocks";

  // User names of growing length: a listing that outgrows the last one's buffer frees it.
  std::vector<std::string> passwords, users;
  passwords.reserve(kPasswords);
  users.reserve(kPasswords);
  for (int i = 0; i < kPasswords; ++i) {
    passwords.push_back(Password(i));
    users.push_back(Password(i) + std::string(static_cast<size_t>(i), 'u'));
  }
  int added = 0;
  size_t listed = 0;
  const int afterAdds = Leaked([&] {
    for (int i = 0; i < kPasswords; ++i)
      added += AddAccount(h.store, std::to_string(10000 + i), "n", users[i], passwords[i]) == TableOutcome::kOpened;
    (void)ForEachAccount(h.store, [&](int, const AccountRecord&) { ++listed; });
  });
  EXPECT_EQ(added, kPasswords);
  EXPECT_EQ(listed, 2u * kPasswords);
  EXPECT_EQ(afterAdds, 0) << "passwords or user names of adds and a listing left in freed blocks";
  for (std::string& u : users) SecureWipe(u);
  for (std::string& p : passwords) SecureWipe(p);

  // The watch itself sees copies that are freed unwiped.
  EXPECT_GT(Leaked([&] {
              std::vector<std::string> copies(passwords.size());
              for (int i = 0; i < kPasswords; ++i) copies[static_cast<size_t>(i)] = Password(i);
            }),
            kPasswords / 2);
}

}  // namespace
