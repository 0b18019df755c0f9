// Progress on a terminal: a package line counts the entries done in place and ends with exactly
// the result text; piped, the output has no trace of it.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/E2ESupport.h"

namespace pallograph::test {
namespace {

// Runs the program on a pseudo-terminal and prints its output twice: raw (repr), then as the
// terminal shows it (carriage returns applied, trailing blanks dropped).
constexpr const char* kOnTerminal = R"(
import os, pty, sys
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], sys.argv[1:])
out = b""
while True:
    try:
        chunk = os.read(fd, 65536)
    except OSError:
        break
    if not chunk:
        break
    out += chunk
os.waitpid(pid, 0)
shown = []
for line in out.decode("utf-8", "replace").split("\n"):
    cells, at = [], 0
    for ch in line:
        if ch == "\r":
            at = 0
            continue
        if at < len(cells):
            cells[at] = ch
        else:
            cells.append(ch)
        at += 1
    shown.append("".join(cells).rstrip())
print(repr(out))
print("\n".join(shown))
)";

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

  const TProcessResult terminal = RunPythonCode(kOnTerminal, args);
  ASSERT_EQ(terminal.ExitCode, 0) << terminal.Err;
  const size_t split = terminal.Out.find('\n');
  const std::string raw = terminal.Out.substr(0, split);
  const std::string shown = terminal.Out.substr(split + 1);
  // The camouflage package's line counted its three textures in place.
  EXPECT_NE(raw.find("\\r          shared_content-part1.pkg                  3/3"),
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
