// Config files that are no config text, or whose version line is written another way: the stage
// finds no usable config and says what is wrong with the file, never showing a refused line.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "e2e/E2ESupport.h"

namespace pallograph::test {
namespace {

// ASCII text in UTF-16, with or without a byte-order mark.
std::string Utf16(const std::string& ascii, bool bigEndian, bool mark) {
  std::string text = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (const char c : ascii) {
    text += bigEndian ? std::string(1, '\0') + c : std::string(1, c) + '\0';
  }
  return text;
}

TEST(ConfigTextTest, UnreadableConfigsAndVersionLineVariantsSayWhatIsWrong) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const std::string configs = fixture.Folder() + "/configs";
  const std::string cfg = configs + "/MapTanks.cfg";
  const std::string shipped = ReadText(fixture.ProgramFolder() + "/MapTanks.cfg");
  const std::string utf16 = "cannot be read: it is written in UTF-16 (save it as UTF-8 text)";
  const std::string fix =
      "\" is not one; write \"version = 3\" (small letters, one blank on each "
      "side of \"=\")";
  const std::pair<std::string, std::string> cases[] = {
      {"version = 3\r\ncontent\\secret" + std::string(1, '\0') + "name\\\r\n\tx.dds\r\n",
       "cannot be read: line 2 holds a NUL byte"},
      {"version = 3\r\ncontent\\secret\x1B]0;name\\\r\n",
       "cannot be read: line 2 holds a "
       "control character (0x1B)"},
      {Utf16(shipped, false, true), utf16},
      {Utf16(shipped, true, false), utf16},
      {"version=3\r\ncontent\\secret\\\r\n", "has no version line: line 1 \"version=3" + fix},
      {"# tanks\r\nVersion = 3\r\ncontent\\secret\\\r\n",
       "has no version line: line 2 \"Version = 3" + fix},
  };
  for (const auto& [text, why] : cases) {
    SCOPED_TRACE(why);
    WriteText(cfg, text);
    const TProcessResult r =
        fixture.Run({"--wot-path=" + client, "--MEM-mod=FFFFFF", "--configs-path=" + configs,
                     "--log", "--auto-close-console"},
                    "\n");
    EXPECT_EQ(r.ExitCode, PosixExit(16006)) << r.Out << r.Err;
    EXPECT_TRUE(Contains(r.Out, "    Not found cfg-file!\n")) << r.Out;
    EXPECT_TRUE(Contains(r.Err, "Pallograph: Config file \"" + cfg + "\" " + why + "\n")) << r.Err;
    const std::string log = ReadText(fixture.LogFile());
    EXPECT_TRUE(Contains(log, "Failure 16006: Config file \"" + cfg + "\" " + why + "\n")) << log;
    // A refused line is never shown.
    if (why.rfind("cannot be read: line", 0) == 0) {
      EXPECT_FALSE(Contains(r.Out + r.Err + log, "secret")) << r.Out << r.Err;
    }
  }
}

}  // namespace
}  // namespace pallograph::test
