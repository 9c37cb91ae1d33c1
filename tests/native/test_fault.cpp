#include "numerics/fault.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace caustix {
namespace {

TEST(Fault, AssertEqualPassesOnEqualValues) { EXPECT_NO_THROW(assert_equal(3u, 3u)); }

TEST(Fault, AssertEqualNamesBothSides) {
  testing::internal::CaptureStderr();
  try {
    assert_equal(std::size_t{3}, std::size_t{2});
    FAIL() << "no fault";
  } catch (const InternalFault& fault) {
    EXPECT_STREQ(fault.what(), "assertion `left == right` failed\n  left: 3\n right: 2");
  }
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("internal fault on thread"), std::string::npos) << report;
  EXPECT_NE(report.find("test_fault.cpp:"), std::string::npos) << report;
  EXPECT_NE(report.find("  left: 3\n right: 2"), std::string::npos) << report;
}

}  // namespace
}  // namespace caustix
