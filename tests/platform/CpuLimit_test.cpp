// The processor count follows the process's limits: the cgroup quota texts, and the affinity mask
// of a real child process started under `taskset`.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/CpuLimit.h"
#include "platform/System.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

TEST(CpuLimitTest, CgroupQuotaTexts) {
  EXPECT_EQ(CpusFromCpuMax("max 100000\n"), 0u);
  EXPECT_EQ(CpusFromCpuMax("200000 100000\n"), 2u);
  EXPECT_EQ(CpusFromCpuMax("150000 100000"), 2u);  // 1.5 CPUs: two threads can use them
  EXPECT_EQ(CpusFromCpuMax("50000 100000"), 1u);
  EXPECT_EQ(CpusFromCpuMax(""), 0u);
  EXPECT_EQ(CpusFromCpuMax("garbage"), 0u);
  EXPECT_EQ(CpusFromCfsQuota("-1\n", "100000\n"), 0u);
  EXPECT_EQ(CpusFromCfsQuota("400000\n", "100000\n"), 4u);
  EXPECT_EQ(CpusFromCfsQuota("x", "100000"), 0u);
  EXPECT_EQ(CgroupV2Path("12:cpu:/a\n0::/user.slice/x.scope\n"), "/user.slice/x.scope");
  EXPECT_EQ(CgroupV2Path("4:memory:/docker/1\n"), "");
}

TEST(CpuLimitTest, ProcessorCountFollowsTheAffinityMask) {
  EXPECT_GE(ProcessorCount(), 1u);
  // This test program, run again under taskset on one CPU, prints the count it sees.
  const test::TProcessResult one = test::RunProcess(
      {"taskset", "-c", "0", std::filesystem::read_symlink("/proc/self/exe").string(),
       "--gtest_filter=CpuLimitTest.PrintsTheCount"},
      "", "", {"PALLOGRAPH_PRINT_CPU_COUNT=1"});
  ASSERT_EQ(one.ExitCode, 0) << one.Out << one.Err;
  EXPECT_NE(one.Out.find("cpu count: 1\n"), std::string::npos) << one.Out;
}

TEST(CpuLimitTest, PrintsTheCount) {
  if (GetEnvironmentText("PALLOGRAPH_PRINT_CPU_COUNT").empty()) GTEST_SKIP() << "child only";
  std::printf("cpu count: %u\n", ProcessorCount());
}

}  // namespace
}  // namespace pallograph
