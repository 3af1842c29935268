#include "base/report.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

using namespace quorrel;

TEST(ReportIf, GivesTheConditionBackAndReportsOnlyFailuresWithFileLineAndError) {
  std::vector<std::string> lines;
  SetReportSink([&](std::string_view line) { lines.emplace_back(line); });
  int evaluated = 0;
  auto failing = [&] {
    ++evaluated;
    errno = ENOENT;
    return true;
  };
  EXPECT_FALSE(ReportIf(evaluated < 0));
  EXPECT_TRUE(ReportIf(failing()));
  SetReportSink({});
  EXPECT_EQ(evaluated, 1);  // the condition is evaluated once
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("report_test.cpp:", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(": failing() (error " + std::to_string(ENOENT) + ")"), std::string::npos) << lines[0];
  EXPECT_EQ(FormatReport("C:\\src\\a\\b.cpp", 7, "x", 5), "b.cpp:7: x (error 5)");
}
