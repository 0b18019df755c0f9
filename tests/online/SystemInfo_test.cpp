// System information on a system without a registry.
#include "online/SystemInfo.h"

#include <gtest/gtest.h>

#include "platform/System.h"

namespace pallograph {
namespace {

TEST(SystemInfoTest, WithoutRegistryTheSystemAnswers) {
  EXPECT_EQ(GetWindowsProductName(), OperatingSystemName());
  EXPECT_FALSE(GetWindowsProductName().empty());
  EXPECT_EQ(GetProcessorCount(), ProcessorCount());
  EXPECT_GE(GetProcessorCount(), 1);
}

}  // namespace
}  // namespace pallograph
