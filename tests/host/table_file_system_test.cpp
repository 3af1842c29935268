#include "store/table_file_system.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(TempPaths, AreNeverLongerThanThePathAndStayInItsFolder) {
  EXPECT_EQ(ReplaceTempPath("C:\\Q\\UserData.edb"), "C:\\Q\\UserData.ed~");
  EXPECT_EQ(ReplaceTempPath("x~"), "x_");
  EXPECT_EQ(LegacyTempPath("C:\\Q\\UserData.edb"), "C:\\Q\\UserData.edb.tmp");
  EXPECT_EQ(AsidePath("d/UserData.ed~", 1), "d/UserData.e~1");
  EXPECT_EQ(AsidePath("d/UserData.edb.tmp", 12), "d/UserData.edb.~12");
  // A name ending in a double-byte character loses it whole; 0x5C as a trail byte is no
  // separator (GBK 0x81 0x5C), but it is one in a code page without double-byte characters.
  EXPECT_EQ(ReplaceTempPath("d\\\xB1\xED\x81\x5C"), "d\\\xB1\xED~");
  EXPECT_EQ(ReplaceTempPath("\x81\x5C", [](unsigned char) { return false; }), "");  // no name
  EXPECT_EQ(AsidePath("d\\\x81\x5C", 1), "d\\~1");
  EXPECT_EQ(AsidePath("d\\a", 1), "");  // no room for the number: no name
  EXPECT_EQ(ReplaceTempPath("d\\"), "");
  for (const Text& path : {Text("C:\\Q\\UserData.edb"), Text("a"), Text("\xD6\xD0\xCE\xC4")}) {
    const Text temp = ReplaceTempPath(path);
    EXPECT_LE(temp.size(), path.size()) << path;
    EXPECT_NE(temp, path);
    EXPECT_EQ(LastPathSeparator(temp), LastPathSeparator(path));
  }
}
