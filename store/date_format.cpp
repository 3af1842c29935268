#include "store/date_format.h"

namespace quorrel {
namespace {

struct StylePictures {
  std::string_view date;
  std::string_view monthDay;
  std::string_view time;
  std::string_view hourMinute;
  std::string_view minuteSecond;
};

// The full dates of styles 0-2 end with the space that separates them from the time.
constexpr StylePictures kStyles[] = {
    {"yyyy年MM月dd日 ", "MM月dd日", "hh时mm分ss秒", "hh时mm分", "mm分ss秒"},
    {"yyyy-MM-dd ", "MM-dd", "hh:mm:ss", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "MM/dd", "hh/mm/ss", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "MMdd", "hhmmss", "hhmm", "mmss"},
};

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

void ReplaceAll(Text& s, std::string_view from, std::string_view to) {
  for (size_t at = s.find(from); at != Text::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

}  // namespace

DateTimePictures SelectDateTimePictures(int style, int parts, bool twentyFourHour) {
  if (style < 0 || style > 3) style = 0;
  if (parts < 0 || parts > 5) parts = 0;
  const StylePictures& p = kStyles[style];

  DateTimePictures out;
  switch (parts) {
    case 1: out.date = TrimSpaces(p.date); break;
    case 2: out.date = p.monthDay; break;
    case 3: out.time = p.time; break;
    case 4: out.time = p.hourMinute; break;
    case 5: out.time = p.minuteSecond; break;
    default:
      out.date = p.date;
      out.time = p.time;
      break;
  }
  if (twentyFourHour) ReplaceAll(out.time, "hh", "HH");
  return out;
}

Text FormatLogLine(std::string_view stamp, std::string_view message) {
  Text line;
  line.reserve(stamp.size() + message.size() + 8);
  line.append(stamp).append(" ---> ").append(message).append("\r\n");
  return line;
}

}  // namespace quorrel
