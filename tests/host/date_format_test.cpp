#include "store/date_format.h"

#include <gtest/gtest.h>

using namespace quorrel;

namespace {
void ExpectPictures(int style, int parts, bool h24, const char* date, const char* time) {
  DateTimePictures p = SelectDateTimePictures(style, parts, h24);
  EXPECT_EQ(p.date, date) << "style " << style << " parts " << parts << " 24h " << h24;
  EXPECT_EQ(p.time, time) << "style " << style << " parts " << parts << " 24h " << h24;
}
}  // namespace

TEST(SelectDateTimePictures, LogStampIsFourteenDigitsWithoutSeparator) {
  ExpectPictures(3, 0, false, "yyyyMMdd", "hhmmss");
  ExpectPictures(3, 0, true, "yyyyMMdd", "HHmmss");
}

TEST(SelectDateTimePictures, FullPicturesOfEachStyle) {
  ExpectPictures(0, 0, false, "yyyy年MM月dd日 ", "hh时mm分ss秒");
  ExpectPictures(1, 0, false, "yyyy-MM-dd ", "hh:mm:ss");
  ExpectPictures(2, 0, true, "yyyy/MM/dd ", "HH/mm/ss");
}

TEST(SelectDateTimePictures, OutOfRangeStyleAndPartsFallBackToZero) {
  ExpectPictures(7, 0, false, "yyyy年MM月dd日 ", "hh时mm分ss秒");
  ExpectPictures(-1, 0, false, "yyyy年MM月dd日 ", "hh时mm分ss秒");
  ExpectPictures(4, 3, false, "", "hh时mm分ss秒");
  ExpectPictures(1, 9, false, "yyyy-MM-dd ", "hh:mm:ss");
  ExpectPictures(1, -1, true, "yyyy-MM-dd ", "HH:mm:ss");
  ExpectPictures(1, 6, false, "yyyy-MM-dd ", "hh:mm:ss");
}

TEST(SelectDateTimePictures, PartsSelection) {
  ExpectPictures(1, 1, false, "yyyy-MM-dd", "");  // no trailing space
  ExpectPictures(0, 1, false, "yyyy年MM月dd日", "");
  ExpectPictures(3, 1, false, "yyyyMMdd", "");
  ExpectPictures(0, 2, true, "MM月dd日", "");
  ExpectPictures(2, 2, false, "MM/dd", "");
  ExpectPictures(1, 3, false, "", "hh:mm:ss");
  ExpectPictures(0, 4, false, "", "hh时mm分");
  ExpectPictures(3, 4, true, "", "HHmm");
  ExpectPictures(2, 5, true, "", "mm/ss");  // no hours to change
  ExpectPictures(0, 5, false, "", "mm分ss秒");
}

TEST(FormatLogLine, StampArrowMessageCrLf) {
  EXPECT_EQ(FormatLogLine("20240131130408", "Add Data 12345"),
            "20240131130408 ---> Add Data 12345\r\n");
  EXPECT_EQ(FormatLogLine("20240131130408", "Data Create Error "),
            "20240131130408 ---> Data Create Error \r\n");
  EXPECT_EQ(FormatLogLine("", ""), " ---> \r\n");  // a failed stamp still gives a line
}
