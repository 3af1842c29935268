#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "store/config_file.h"
#include "tests/win/temp_dir.h"

using namespace quorrel;

namespace {

class ConfigTest : public ::testing::Test {
 protected:
  void WriteFile(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
  Text ReadConfig(const ConfigKey& key) const { return config_.Read(key); }
  void WriteConfig(const ConfigKey& key, std::string_view value) const { (void)config_.Write(key, value); }
  TempDir dir_;
  const std::string path_ = dir_.path() + "\\Config.ini";
  const ConfigFile config_{path_};
};

}  // namespace

TEST_F(ConfigTest, MissingFileGivesEveryDefault) {
  EXPECT_EQ(ReadConfig(kUserKey), "119");
  EXPECT_EQ(ReadConfig(kPassKey), "120");
  EXPECT_EQ(ReadConfig(kStartup), "False");
  EXPECT_EQ(ReadConfig(kPwd), "");
  EXPECT_EQ(ReadConfig(kTray), "2");
  EXPECT_EQ(ReadConfig(kLaws), "Hide");
}

TEST_F(ConfigTest, WrittenValuesReadBackAndTheFileAppearsWithTheFirstKey) {
  EXPECT_EQ(GetFileAttributesA(path_.c_str()), INVALID_FILE_ATTRIBUTES);
  WriteConfig(kLaws, "Show");
  EXPECT_NE(GetFileAttributesA(path_.c_str()), INVALID_FILE_ATTRIBUTES);
  WriteConfig(kUserKey, "112");
  EXPECT_EQ(ReadConfig(kLaws), "Show");
  EXPECT_EQ(ReadConfig(kUserKey), "112");
  EXPECT_EQ(ReadConfig(kTray), "2");
}

TEST_F(ConfigTest, BadFilesFallBackWithoutCrashing) {
  WriteFile("");
  EXPECT_EQ(ReadConfig(kStartup), "False");

  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919 + 13) & 0xFF);
  WriteFile(junk);
  EXPECT_EQ(ReadConfig(kTray), "2");

  // A value longer than the reader's limit is cut, never overrun.
  WriteFile("[Config]\r\nLaws=" + std::string(20000, 'x') + "\r\n");
  Text v = ReadConfig(kLaws);
  EXPECT_LE(v.size(), kConfigValueMax);
  EXPECT_GT(v.size(), 1000u);
}

TEST_F(ConfigTest, DirectoryNamedConfigIniGivesDefaults) {
  ASSERT_TRUE(CreateDirectoryA(path_.c_str(), nullptr));
  EXPECT_EQ(ReadConfig(kUserKey), "119");
  WriteConfig(kUserKey, "1");  // ignored failure
  EXPECT_EQ(ReadConfig(kUserKey), "119");
  RemoveDirectoryA(path_.c_str());
}
