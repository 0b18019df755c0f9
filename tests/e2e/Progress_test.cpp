// Progress on a terminal: a package line counts the entries done in place and ends with exactly
// the result text; piped, the output has no trace of it.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/E2ESupport.h"

namespace pallograph::test {
namespace {

// What a terminal shows of its output: within each line, a carriage return moves back to the
// first column and later characters overwrite earlier ones.
std::string AsShown(const std::string& raw) {
  std::string shown;
  size_t start = 0;
  while (start <= raw.size()) {
    size_t end = raw.find('\n', start);
    if (end == std::string::npos) end = raw.size();
    std::string cells;
    size_t at = 0;
    for (size_t i = start; i < end; ++i) {
      if (raw[i] == '\r') {
        at = 0;
      } else if (at < cells.size()) {
        cells[at++] = raw[i];
      } else {
        cells += raw[i];
        ++at;
      }
    }
    shown += cells + "\n";
    start = end + 1;
  }
  return shown;
}

std::string Rstripped(const std::string& text) {
  std::string result;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
    result += line + "\n";
    start = end + 1;
  }
  return result;
}

TEST(ProgressTest, TerminalShowsCountsInPlaceAndPipesStayAsTheyWere) {
  TE2EFixture fixture;
  const std::string client = fixture.MakeClient();
  const std::vector<std::string> args{fixture.ProgramFolder() + "/pallograph",
                                      "--wot-path=" + client,
                                      "--CAMO-mod=30",
                                      "--no-update-configs",
                                      "--no-send-statistic",
                                      "--auto-close-console"};
  const TProcessResult piped = RunProcess(args, "", "", {});
  ASSERT_EQ(piped.ExitCode, 0);
  EXPECT_EQ(piped.Out.find('\r'), std::string::npos);
  // The second run finds no package of the first (in another second it would name it).
  std::filesystem::remove_all(TE2EFixture::ModsFolder(client));

  const RTerminalResult terminal = RunOnTerminal(args, {});
  ASSERT_EQ(terminal.Status, "0") << terminal.Shown;
  const std::string& raw = terminal.Shown;
  const std::string shown = AsShown(raw);
  // The camouflage package's line counted its three textures in place.
  EXPECT_NE(raw.find("\r          shared_content-part1.pkg                  3/3"),
            std::string::npos)
      << raw;
  // What the terminal shows is the piped text, line for line (package names differ only in the
  // run stamp, which both runs may give differently).
  std::string expected = Rstripped(piped.Out);
  std::string got = Rstripped(shown);
  const auto drop_stamps = [](std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    for (size_t at = text.find("_2.1.3."); at != std::string::npos; at = text.find("_2.1.3.", at)) {
      text.erase(at, text.find(".wotmod", at) - at);
    }
    return text;
  };
  EXPECT_EQ(drop_stamps(got), drop_stamps(expected));
  EXPECT_NE(got.find("          shared_content-part1.pkg                OK (3 files)\n"),
            std::string::npos)
      << got;
}

}  // namespace
}  // namespace pallograph::test
