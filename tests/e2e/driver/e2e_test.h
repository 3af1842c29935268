// Base fixture of the end-to-end tests: a run directory, and a screenshot when a test fails.
#pragma once

#include <gtest/gtest.h>

#include "driver/driver.h"

namespace quorrel::e2e {

class E2eTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (HasFailure()) {
      const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
      std::string path = SaveScreenshot(std::string(info->test_suite_name()) + "." + info->name());
      std::printf("screenshot: %s\n", path.c_str());
    }
  }
  Process Start(const std::string& args = "") { return Process::Start(run_.exe(), args, run_.path()); }

  RunDirectory run_;
};

}  // namespace quorrel::e2e
