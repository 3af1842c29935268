#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <string>

#include "store/activity_log_win.h"
#include "tests/win/test_util.h"
#include "base/encoding_win.h"
#include "base/handles_win.h"

using namespace quorrel;

namespace {


double Ole(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
  SYSTEMTIME st{};
  st.wYear = y;
  st.wMonth = mo;
  st.wDay = d;
  st.wHour = h;
  st.wMinute = mi;
  st.wSecond = s;
  double ole = 0;
  EXPECT_TRUE(SystemTimeToVariantTime(&st, &ole));
  return ole;
}

bool LocaleIs24Hour() {
  char v[4] = {};
  GetLocaleInfoA(0, LOCALE_ITIME, v, sizeof v);
  return v[0] == '1';
}

// The stamp a line written at st must carry.
std::string StampOf(const SYSTEMTIME& st, bool h24) {
  int hour = st.wHour;
  if (!h24) hour = hour % 12 == 0 ? 12 : hour % 12;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04u%02u%02u%02d%02u%02u", st.wYear, st.wMonth, st.wDay, hour,
                st.wMinute, st.wSecond);
  return buf;
}

// Every stamp from `before` to now, one per second.
std::set<std::string> StampsSince(const SYSTEMTIME& before) {
  std::set<std::string> out;
  SYSTEMTIME after{};
  GetLocalTime(&after);
  FILETIME from{}, to{};
  SystemTimeToFileTime(&before, &from);
  SystemTimeToFileTime(&after, &to);
  ULARGE_INTEGER t{{from.dwLowDateTime, from.dwHighDateTime}};
  ULARGE_INTEGER end{{to.dwLowDateTime, to.dwHighDateTime}};
  t.QuadPart -= t.QuadPart % 10000000;
  for (; t.QuadPart <= end.QuadPart; t.QuadPart += 10000000) {
    FILETIME ft{t.LowPart, t.HighPart};
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    out.insert(StampOf(st, LocaleIs24Hour()));
  }
  return out;
}

class ActivityLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.path();
    log_ = dir_.path() + "\\Quorrel Log.log";
  }
  // Appends to the log of the program's run directory, folder_.
  void WriteActivityLog(std::string_view message) const { quorrel::WriteActivityLog(folder_, message); }
  TempDir dir_;
  std::string folder_;
  std::string log_;
};

}  // namespace

TEST_F(ActivityLogTest, FirstLineCreatesTheFileAndLaterLinesAppend) {
  ASSERT_EQ(GetFileAttributesA(log_.c_str()), INVALID_FILE_ATTRIBUTES);
  SYSTEMTIME before{};
  GetLocalTime(&before);
  WriteActivityLog("Data Create");
  const std::string first = RawRead(log_);
  ASSERT_EQ(first.size(), 14u + 6 + 11 + 2);
  EXPECT_TRUE(StampsSince(before).count(first.substr(0, 14))) << first;
  EXPECT_EQ(first.substr(14), " ---> Data Create\r\n");

  const std::string added = Utf8ToAnsi("添加") + " 12345";
  ASSERT_EQ(added.substr(0, 4), "\xCC\xED\xBC\xD3");
  GetLocalTime(&before);
  WriteActivityLog(added);
  WriteActivityLog("Data Create Error ");
  const std::string all = RawRead(log_);
  ASSERT_EQ(all.substr(0, first.size()), first);  // never rewritten
  const std::string second = all.substr(first.size(), 14 + 6 + added.size() + 2);
  EXPECT_TRUE(StampsSince(before).count(second.substr(0, 14))) << second;
  EXPECT_EQ(second.substr(14), " ---> " + added + "\r\n");
  EXPECT_EQ(all.substr(first.size() + second.size() + 14), " ---> Data Create Error \r\n");

  // Foreign content without a line end stays; in a GBK folder whose name holds a 0x5C trail byte.
  folder_ = dir_.path() + "\\" + Utf8ToAnsi("密码工具乗");
  ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
  ASSERT_TRUE(RawWrite(folder_ + "\\Quorrel Log.log", "earlier"));
  WriteActivityLog("Del Data 10000");
  const std::string other = RawRead(folder_ + "\\Quorrel Log.log");
  ASSERT_EQ(other.size(), 7u + 14 + 6 + 14 + 2) << other;
  EXPECT_EQ(other.substr(0, 7), "earlier");
  EXPECT_EQ(other.substr(21), " ---> Del Data 10000\r\n");
}

TEST_F(ActivityLogTest, UnwritableLogLosesTheLineSilently) {
  ASSERT_TRUE(RawWrite(log_, "kept"));
  {
    // Held by another program without sharing (the test bench runs as root under Wine,
    // where the read-only attribute would not stop a writer).
    UniqueFile holder(CreateFileA(log_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    WriteActivityLog("Add Data 12345");
  }
  EXPECT_EQ(RawRead(log_), "kept");
  DeleteFileA(log_.c_str());

  ASSERT_TRUE(CreateDirectoryA(log_.c_str(), nullptr));
  WriteActivityLog("Add Data 12345");
  EXPECT_TRUE(GetFileAttributesA(log_.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  RemoveDirectoryA(log_.c_str());

  folder_ = dir_.path() + "\\gone";
  WriteActivityLog("Add Data 12345");
  EXPECT_EQ(GetFileAttributesA((dir_.path() + "\\gone").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FormatDateTimeTest, HourRuleStylesPartsAndRange) {
  const double t = Ole(2024, 3, 5, 13, 4, 8);
  EXPECT_EQ(FormatDateTimeWith(t, 3, 3, false), "010408");
  EXPECT_EQ(FormatDateTimeWith(t, 3, 0, true), "20240305130408");
  // Midnight and noon are 12 on the 12-hour clock, never 00.
  EXPECT_EQ(FormatDateTimeWith(Ole(2024, 3, 5, 0, 30, 0), 3, 4, false), "1230");
  EXPECT_EQ(FormatDateTimeWith(Ole(2024, 3, 5, 0, 30, 0), 3, 4, true), "0030");
  EXPECT_EQ(FormatDateTimeWith(Ole(2024, 3, 5, 12, 0, 1), 1, 3, false), "12:00:01");
  EXPECT_EQ(FormatDateTime(t, 3, 3), LocaleIs24Hour() ? "130408" : "010408");  // the locale's rule

  EXPECT_EQ(FormatDateTimeWith(t, 0, 0, true), Utf8ToAnsi("2024年03月05日 13时04分08秒"));
  EXPECT_EQ(FormatDateTimeWith(t, 0, 5, true), Utf8ToAnsi("04分08秒"));
  EXPECT_EQ(FormatDateTimeWith(t, 1, 0, true), "2024-03-05 13:04:08");
  EXPECT_EQ(FormatDateTimeWith(t, 1, 1, true), "2024-03-05");  // no trailing space
  EXPECT_EQ(FormatDateTimeWith(t, 2, 2, true), "03/05");
  EXPECT_EQ(FormatDateTimeWith(t, 3, 1, true), "20240305");
  for (int style : {-1, 4, 7})
    EXPECT_EQ(FormatDateTimeWith(t, style, 0, true), FormatDateTimeWith(t, 0, 0, true)) << style;
  for (int parts : {-1, 6, 9})
    EXPECT_EQ(FormatDateTimeWith(t, 1, parts, false), FormatDateTimeWith(t, 1, 0, false)) << parts;
  EXPECT_EQ(FormatDateTime(t, 7, 9), FormatDateTime(t, 0, 0));

  SYSTEMTIME before{};
  GetLocalTime(&before);
  const Text now = FormatDateTime(std::nullopt, 3, 0);
  EXPECT_TRUE(StampsSince(before).count(now)) << now;
  EXPECT_NE(FormatDateTime().find(Utf8ToAnsi("年")), Text::npos);  // defaults: style 0, parts 0
  EXPECT_EQ(FormatDateTimeWith(std::numeric_limits<double>::quiet_NaN(), 3, 0, true), "");
  EXPECT_EQ(FormatDateTimeWith(3.0e6, 3, 0, true), "");  // past the year 9999
  EXPECT_EQ(FormatDateTimeWith(2.5, 1, 0, true), "1900-01-01 12:00:00");
}
