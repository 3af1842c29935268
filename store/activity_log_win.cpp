#include "store/activity_log_win.h"

#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <cmath>
#include <cstring>

#include "base/encoding_win.h"
#include "base/file_io_win.h"
#include "base/handles_win.h"
#include "base/report.h"
#include "store/date_format.h"
#include "store/file_system_win.h"

namespace quorrel {
namespace {

constexpr int kFormatBuffer = 50;

bool LocaleUsesTwentyFourHours() {
  char value[4] = {};
  if (GetLocaleInfoA(0, LOCALE_ITIME, value, sizeof value) == 0) return false;
  return ParseDecimal(value) == 1;
}

// One piece of the stamp; a picture of fewer than 3 bytes, or a failing call, gives nothing.
template <typename FormatFn>
Text FormatPiece(FormatFn format, const SYSTEMTIME& st, const Text& utf8Picture) {
  const Text picture = Utf8ToAnsi(utf8Picture);
  if (picture.size() < 3) return {};
  char buffer[kFormatBuffer] = {};
  if (format(0, 0, &st, picture.c_str(), buffer, kFormatBuffer) <= 0) return {};
  return Text(buffer, strnlen(buffer, kFormatBuffer));
}

// oleaut32 is loaded with the first date, not at every start, and its date functions are
// looked up here rather than through a delay-load import: mingw's 64-bit delay-load thunk
// does not keep the floating-point argument registers (the first VariantTimeToSystemTime
// read 1899-12-30).
struct OleDates {
  decltype(&SystemTimeToVariantTime) toOle = nullptr;
  decltype(&VariantTimeToSystemTime) fromOle = nullptr;
};

const OleDates& Dates() {
  static const OleDates dates = [] {
    OleDates d;
    if (HMODULE oleaut = LoadLibraryW(L"oleaut32.dll")) {
      d.toOle = reinterpret_cast<decltype(d.toOle)>(
          reinterpret_cast<void*>(GetProcAddress(oleaut, "SystemTimeToVariantTime")));
      d.fromOle = reinterpret_cast<decltype(d.fromOle)>(
          reinterpret_cast<void*>(GetProcAddress(oleaut, "VariantTimeToSystemTime")));
    }
    ReportIf(!d.toOle || !d.fromOle);
    return d;
  }();
  return dates;
}

double NowAsOleTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  double ole = 0;
  if (Dates().toOle) Dates().toOle(&now, &ole);
  return ole;
}

}  // namespace

Text FormatDateTimeWith(double oleTime, int style, int parts, bool twentyFourHour) {
  const DateTimePictures pictures = SelectDateTimePictures(style, parts, twentyFourHour);
  SYSTEMTIME st{};
  if (!std::isfinite(oleTime) || !Dates().fromOle || !Dates().fromOle(oleTime, &st)) return {};
  return FormatPiece(GetDateFormatA, st, pictures.date) +
         FormatPiece(GetTimeFormatA, st, pictures.time);
}

Text FormatDateTime(std::optional<double> oleTime, int style, int parts) {
  return FormatDateTimeWith(oleTime ? *oleTime : NowAsOleTime(), style, parts,
                            LocaleUsesTwentyFourHours());
}

void WriteActivityLog(std::string_view folder, std::string_view message) {
  const Text path = Text(folder) + "\\" + kActivityLogFileName;
  BeforeFileCall("PathFileExistsA", path);
  if (!PathFileExistsA(path.c_str())) {
    // Opens rather than truncates a file that appeared since the check: the log only grows.
    BeforeFileCall("CreateFileA", path);
    UniqueFile created(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  BeforeFileCall("CreateFileA", path);
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  LARGE_INTEGER zero{}, end{};
  BeforeFileCall("SetFilePointerEx", path);
  if (!SetFilePointerEx(file.get(), zero, &end, FILE_END)) return;

  const Text line = FormatLogLine(FormatDateTime(std::nullopt, 3, 0), message);
  // Logging never stops its caller: a lost line only goes to the diagnostic output.
  BeforeFileCall("WriteFile", path);
  if (ReportIf(!WriteAll(file.get(), line))) {
    // A disk that runs full takes part of a line; cut it off, or the next line would be
    // glued to it. The line is lost whole.
    BeforeFileCall("SetEndOfFile", path);
    ReportIf(!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get()));
  }
}

}  // namespace quorrel
