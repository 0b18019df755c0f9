#include "run/RunLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "platform/NativePath.h"
#include "platform/TextLineEnd.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

const std::string kEnd = TextLineEnd();
const std::string kSeparator = "/" + std::string(90, '-') + "\\" + kEnd;

TEST(TLogTest, EachRunAppendsOneSection) {
  test::TTempDir dir;
  const std::string file = dir.ProgramPath() + "Pallograph2.log";
  {
    TLog log(file, "Version 2.1.3 Build 226 Date 08/11/2021");
    EXPECT_TRUE(log.IsOpen());
    log.WriteLine("first");
    LogSink sink = MakeLogSink(&log);
    ASSERT_TRUE(sink);
    sink("through\r\nthe sink");
  }
  { TLog log(file, "second run"); }

  const std::string text = test::ReadText(dir.Native("Pallograph2.log"));
  const std::string entry = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}: )";
  // Lines end in the system's line break, also inside an entry.
  const std::string e = kEnd;
  const std::regex layout("/-{90}\\\\" + e + "Version 2.1.3 Build 226 Date 08/11/2021" + e + e +
                          entry + "first" + e + entry + "through" + e + "the sink" + e + e +
                          "/-{90}\\\\" + e + "second run" + e + e + e);
  EXPECT_TRUE(std::regex_match(text, layout)) << text;
}

TEST(TLogTest, TimestampHasMilliseconds) {
  std::tm moment{};
  moment.tm_year = 2021 - 1900;
  moment.tm_mon = 10;
  moment.tm_mday = 8;
  moment.tm_hour = 7;
  moment.tm_min = 5;
  moment.tm_sec = 3;
  moment.tm_isdst = -1;
  EXPECT_EQ(LogTimestamp(std::mktime(&moment), 42), "2021-11-08 07:05:03.042: ");
}

TEST(TLogTest, UnopenableFileTurnsTheLogOffSilently) {
  test::TTempDir dir;
  std::filesystem::create_directory(dir.Native("Pallograph2.log"));  // a folder in the way
  TLog log(dir.ProgramPath() + "Pallograph2.log", "header");
  EXPECT_FALSE(log.IsOpen());
  log.WriteLine("goes nowhere");
  TLog missing(dir.ProgramPath() + "no such folder\\Pallograph2.log", "header");
  EXPECT_FALSE(missing.IsOpen());
  missing.Sink()("goes nowhere");
  EXPECT_FALSE(std::filesystem::exists(dir.Native("no such folder")));
}

TEST(TLogTest, AbsentLogGivesAnEmptySink) { EXPECT_FALSE(MakeLogSink(nullptr)); }

}  // namespace
}  // namespace pallograph
