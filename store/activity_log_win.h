// The activity log "Quorrel Log.log" beside the executable, and the date-time formatter
// that stamps its lines.
#pragma once

#include <optional>
#include <string_view>

#include "base/text.h"

namespace quorrel {

inline constexpr char kActivityLogFileName[] = "Quorrel Log.log";

// Appends "<yyyyMMdd><hhmmss> ---> <message>\r\n" to folder + "\Quorrel Log.log" (the
// folder is the program's run directory), creating the file when it is missing. Earlier
// lines are never rewritten. Every failure (read-only file, locked file, folder gone, a full
// disk) loses the line without a word to the user, and loses it whole: a part that went in
// before the disk ran full is cut off again.
void WriteActivityLog(std::string_view folder, std::string_view message);

// Formats an OLE date (days since 30 December 1899; absent = now, local time) with the
// system's date and time functions. style 0 "yyyy年MM月dd日 hh时mm分ss秒", 1 "yyyy-MM-dd
// hh:mm:ss", 2 "yyyy/MM/dd hh/mm/ss", 3 "yyyyMMddhhmmss", others as 0; parts 0 date and
// time, 1 date alone, 2 month-day, 3 time, 4 hour-minute, 5 minute-second, others as 0.
// Hours are 00-23 when the user's locale uses the 24-hour clock, else 01-12 with no AM/PM
// marker. The empty text when the date is out of range.
Text FormatDateTime(std::optional<double> oleTime = std::nullopt, int style = 0, int parts = 0);

// The same with the 24-hour rule given instead of read from the locale.
Text FormatDateTimeWith(double oleTime, int style, int parts, bool twentyFourHour);

}  // namespace quorrel
