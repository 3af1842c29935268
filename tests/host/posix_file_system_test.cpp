#include "store/posix_file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

using namespace quorrel;
using Strings = std::vector<std::string>;

TEST(PosixFileSystem, ReplacesAtomicallyOverStaleTempAndFailsCleanly) {
  char templ[] = "/tmp/quorrel-fs-XXXXXX";
  ASSERT_NE(mkdtemp(templ), nullptr);
  const std::string dir = templ, path = dir + "/UserData.edb";
  PosixTableFileSystem fs;
  auto names = [&] {
    Strings out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
    return out;
  };
  EXPECT_FALSE(fs.ReadFile(path));
  EXPECT_TRUE(fs.Remove(path));  // already gone
  ASSERT_TRUE(fs.WriteReplace(path, std::string("sec\0ond", 7)));
  EXPECT_EQ(fs.ReadFile(path), std::string("sec\0ond", 7));
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A stale temp file is overwritten, never read as the table.
  std::FILE* f = std::fopen(ReplaceTempPath(path).c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("left by a crash, longer than the table", f);
  std::fclose(f);
  EXPECT_EQ(fs.ReadFile(path), std::string("sec\0ond", 7));
  ASSERT_TRUE(fs.WriteReplace(path, "table"));
  EXPECT_EQ(names(), (Strings{"UserData.edb"}));

  EXPECT_FALSE(fs.WriteReplace(dir + "/missing/UserData.edb", "x"));
  // A folder in the temp file's place fails the write before the table is touched.
  ASSERT_EQ(mkdir(ReplaceTempPath(path).c_str(), 0700), 0);
  EXPECT_FALSE(fs.WriteReplace(path, "new"));
  EXPECT_EQ(fs.ReadFile(path), "table");
  EXPECT_FALSE(fs.ReadFile(dir));  // nor is a folder taken for a table
  std::filesystem::remove_all(dir);
}

TEST(PosixFileSystem, CreatesAndMovesWithoutReplacingAndSaysWhenItCannotTell) {
  char templ[] = "/tmp/quorrel-fs-XXXXXX";
  ASSERT_NE(mkdtemp(templ), nullptr);
  const std::string dir = templ, path = dir + "/UserData.edb", temp = ReplaceTempPath(path);
  PosixTableFileSystem fs;
  EXPECT_EQ(fs.Probe(path), PathState::kAbsent);
  EXPECT_EQ(fs.Probe(dir + "/missing/x"), PathState::kAbsent);
  ASSERT_TRUE(fs.WriteNew(path, "first"));
  EXPECT_EQ(fs.Probe(path), PathState::kPresent);
  EXPECT_EQ(fs.Probe(path + "/x"), PathState::kAbsent);  // ENOTDIR: "path not found"
  EXPECT_FALSE(fs.WriteNew(path, "second"));
  EXPECT_EQ(fs.ReadFile(path), "first");
  EXPECT_EQ(fs.Probe(temp), PathState::kAbsent);

  // A temp file that is there already is not ours: not overwritten, not removed.
  fs.Remove(path);
  ASSERT_TRUE(fs.WriteReplace(temp + "x", "only copy"));
  ASSERT_EQ(std::rename((temp + "x").c_str(), temp.c_str()), 0);
  EXPECT_FALSE(fs.WriteNew(path, "new"));
  EXPECT_EQ(fs.ReadFile(temp), "only copy");
  EXPECT_EQ(fs.Probe(path), PathState::kAbsent);
  ASSERT_TRUE(fs.MoveNew(temp, path));
  EXPECT_EQ(fs.ReadFile(path), "only copy");
  ASSERT_TRUE(fs.WriteNew(dir + "/other", "other"));
  EXPECT_FALSE(fs.MoveNew(dir + "/other", path));
  EXPECT_EQ(fs.ReadFile(path), "only copy");
  EXPECT_EQ(fs.ReadFile(dir + "/other"), "other");

  // A loop of links is neither there nor missing.
  ASSERT_EQ(symlink("loop", (dir + "/loop").c_str()), 0);
  EXPECT_EQ(fs.Probe(dir + "/loop"), PathState::kUnknown);
  EXPECT_FALSE(fs.ReadFile(dir + "/loop"));

  // Beyond the size limit a file does not read: no 32-bit process could hold it twice.
  const std::string big = dir + "/big.edb";
  std::FILE* f = std::fopen(big.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  ASSERT_EQ(truncate(big.c_str(), static_cast<off_t>(kMaxTableFileBytes) + 1), 0);  // sparse
  EXPECT_FALSE(fs.ReadFile(big));
  ASSERT_EQ(truncate(big.c_str(), static_cast<off_t>(kMaxTableFileBytes)), 0);
  EXPECT_EQ(fs.ReadFile(big).value_or("").size(), kMaxTableFileBytes);
  std::filesystem::remove_all(dir);
}
