#include "app/earlier_table.h"

#include <gtest/gtest.h>

using namespace quorrel;

// The copy Windows made for a program without a manifest: the folder without its drive,
// under the user's VirtualStore; a network folder was never redirected.
TEST(EarlierTable, TheRedirectedFolderIsTheFolderWithoutItsDriveUnderVirtualStore) {
  const std::string local = "C:\\Users\\zs\\AppData\\Local";
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {local, "C:\\Program Files (x86)\\Quorrel", local + "\\VirtualStore\\Program Files (x86)\\Quorrel"},
      {local + "\\", "d:\\Tools\\Quorrel\\", local + "\\VirtualStore\\Tools\\Quorrel"},
      {local, "C:\\", local + "\\VirtualStore"},
      {local, "\\\\server\\share\\Quorrel", ""},
      {local, "Quorrel", ""},
      {"", "C:\\Program Files\\Quorrel", ""},
  };
  for (const auto& [localAppData, folder, store] : cases) EXPECT_EQ(VirtualStoreFolder(localAppData, folder), store) << folder;
}
