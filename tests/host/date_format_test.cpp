#include "store/date_format.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(SelectDateTimePictures, EveryStyleAndPartsSelectionTwentyFourHoursAndOutOfRangeValues) {
  // Parts: 0 date and time, 1 the date without its trailing space, 2 month-day, 3 time,
  // 4 hour-minute, 5 minute-second. Out of range, style and parts are 0. Style 3 with parts 0 is
  // the log stamp.
  const struct { int style, parts; bool h24; const char *date, *time; } cases[] = {
      {0, 0, false, "yyyy年MM月dd日 ", "hh时mm分ss秒"}, {0, 1, false, "yyyy年MM月dd日", ""},
      {0, 2, false, "MM月dd日", ""}, {0, 3, false, "", "hh时mm分ss秒"}, {0, 4, false, "", "hh时mm分"},
      {0, 5, false, "", "mm分ss秒"},
      {1, 0, false, "yyyy-MM-dd ", "hh:mm:ss"}, {1, 1, false, "yyyy-MM-dd", ""}, {1, 2, false, "MM-dd", ""},
      {1, 3, false, "", "hh:mm:ss"}, {1, 4, false, "", "hh:mm"}, {1, 5, false, "", "mm:ss"},
      {2, 0, false, "yyyy/MM/dd ", "hh/mm/ss"}, {2, 1, false, "yyyy/MM/dd", ""}, {2, 2, false, "MM/dd", ""},
      {2, 3, false, "", "hh/mm/ss"}, {2, 4, false, "", "hh/mm"}, {2, 5, false, "", "mm/ss"},
      {3, 0, false, "yyyyMMdd", "hhmmss"}, {3, 1, false, "yyyyMMdd", ""}, {3, 2, false, "MMdd", ""},
      {3, 3, false, "", "hhmmss"}, {3, 4, false, "", "hhmm"}, {3, 5, false, "", "mmss"},
      {3, 0, true, "yyyyMMdd", "HHmmss"}, {2, 0, true, "yyyy/MM/dd ", "HH/mm/ss"}, {0, 2, true, "MM月dd日", ""},
      {3, 4, true, "", "HHmm"}, {2, 5, true, "", "mm/ss"},  // no hours to change
      {7, 0, false, "yyyy年MM月dd日 ", "hh时mm分ss秒"}, {-1, 0, false, "yyyy年MM月dd日 ", "hh时mm分ss秒"},
      {4, 3, false, "", "hh时mm分ss秒"}, {1, 9, false, "yyyy-MM-dd ", "hh:mm:ss"},
      {1, -1, true, "yyyy-MM-dd ", "HH:mm:ss"}, {1, 6, false, "yyyy-MM-dd ", "hh:mm:ss"},
  };
  for (const auto& c : cases) {
    const DateTimePictures p = SelectDateTimePictures(c.style, c.parts, c.h24);
    EXPECT_EQ(std::pair(p.date, p.time), std::pair(Text(c.date), Text(c.time)))
        << "style " << c.style << " parts " << c.parts << " 24h " << c.h24;
  }
}

TEST(FormatLogLine, StampArrowMessageCrLf) {
  EXPECT_EQ(FormatLogLine("20240131130408", "Add Data 12345"), "20240131130408 ---> Add Data 12345\r\n");
  EXPECT_EQ(FormatLogLine("20240131130408", "Data Create Error "), "20240131130408 ---> Data Create Error \r\n");
  EXPECT_EQ(FormatLogLine("", ""), " ---> \r\n");  // a failed stamp still gives a line
}
