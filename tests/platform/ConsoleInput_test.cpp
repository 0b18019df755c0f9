// Lines of standard input as the prompts get them: the line end (LF or CR LF) is dropped. The
// test feeds this program's own child half through a pipe.
#include <gtest/gtest.h>

#include "platform/Console.h"
#include "platform/System.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

TEST(ConsoleInputTest, LineEndsAreDroppedWhateverTheirForm) {
  const test::TProcessResult r =
      test::RunProcess({"/proc/self/exe", "--gtest_filter=ConsoleInputChild.*"},
                       "y\r\nY\nno\r\n\r\n\rmid\r\n last", "", {"PALLOGRAPH_CONSOLE_CHILD=1"});
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("[  PASSED  ] 1 test."), std::string::npos) << r.Out;
}

TEST(ConsoleInputChild, Lines) {
  if (GetEnvironmentText("PALLOGRAPH_CONSOLE_CHILD").empty()) {
    GTEST_SKIP() << "run by the test above";
  }
  for (const char* expected : {"y", "Y", "no", "", "\rmid", " last", ""}) {
    EXPECT_EQ(ReadStandardInputLine(), expected);
  }
}

}  // namespace
}  // namespace pallograph
