// The portable half of the date-time formatter: which date and time pictures a style and
// a parts selection give, and the layout of an activity-log line. The pictures are handed
// to the system's date and time formatting functions.
#pragma once

#include <string_view>

#include "base/text.h"

namespace quorrel {

// Pictures in UTF-8 (style 0 holds Chinese unit characters); the caller converts them to
// the ANSI code page before it passes them on. An empty picture means that piece is not
// shown.
struct DateTimePictures {
  Text date;
  Text time;
};

// style: 0 "yyyy年MM月dd日 " / "hh时mm分ss秒", 1 "yyyy-MM-dd " / "hh:mm:ss",
//        2 "yyyy/MM/dd " / "hh/mm/ss", 3 "yyyyMMdd" / "hhmmss"; anything else is 0.
// parts: 0 full date and full time, 1 full date without its trailing space, 2 month-day,
//        3 full time, 4 hour-minute, 5 minute-second; anything else is 0.
// twentyFourHour: every "hh" of the time picture becomes "HH" (hours 00-23 instead of
//        01-12; the pictures hold no AM/PM marker either way).
DateTimePictures SelectDateTimePictures(int style, int parts, bool twentyFourHour);

// One activity-log line: stamp + " ---> " + message + CR LF.
Text FormatLogLine(std::string_view stamp, std::string_view message);

}  // namespace quorrel
