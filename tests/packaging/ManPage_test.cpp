// The manual page (data/man/pallograph.1) held to the program: its options to the option table
// in both directions, its exit statuses to the exit codes, its ENVIRONMENT to the variables the
// program reads; and groff renders it without a warning.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "packaging/PackagingTestHelpers.h"
#include "run/ExitCodes.h"
#include "run/ProgramInfo.h"
#include "run/StageTable.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

std::string ManPagePath() { return test::SourceDir() + "/data/man/pallograph.1"; }

// A roff line as plain text: the request name dropped, quotes, font changes and the zero-width
// escapes removed, "\-" and "\e" written out.
std::string PlainText(const std::string& line) {
  std::string text = line;
  if (!text.empty() && text[0] == '.') {
    const size_t blank = text.find(' ');
    text = blank == std::string::npos ? std::string() : text.substr(blank + 1);
  }
  text = std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
  text = std::regex_replace(text, std::regex(R"(\\[&%])"), "");
  text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
  text = std::regex_replace(text, std::regex(R"(\\e)"), "\\");
  text = std::regex_replace(text, std::regex("\""), "");
  return text;
}

// The lines of the section with this heading, up to the next section.
std::vector<std::string> Section(const std::string& heading) {
  std::vector<std::string> lines;
  bool inside = false;
  for (const std::string& line : test::SplitLines(test::ReadText(ManPagePath()))) {
    if (line.rfind(".SH", 0) == 0) {
      inside = PlainText(line) == heading;
    } else if (inside) {
      lines.push_back(line);
    }
  }
  return lines;
}

// The item tags of a section: the line after each .TP or .TQ, as plain text.
std::vector<std::string> Tags(const std::string& heading) {
  const std::vector<std::string> lines = Section(heading);
  std::vector<std::string> tags;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i - 1].rfind(".TP", 0) == 0 || lines[i - 1].rfind(".TQ", 0) == 0) {
      tags.push_back(PlainText(lines[i]));
    }
  }
  return tags;
}

TEST(ManPageTest, ListsEveryOptionOfTheOptionTableOnce) {
  std::multiset<std::string> documented;
  for (const std::string& tag : Tags("OPTIONS")) {
    const std::multiset<std::string> words = test::OptionWords(tag);
    EXPECT_FALSE(words.empty()) << "an OPTIONS item without an option: " << tag;
    documented.insert(words.begin(), words.end());
  }
  EXPECT_GE(test::DeclaredOptions().size(), 30u);
  EXPECT_EQ(test::CompareWithOptionTable(documented), "");
}

TEST(ManPageTest, HasTheSectionsOfAManualPageAndTheProgramVersion) {
  for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "FILES",
                              "ENVIRONMENT", "EXAMPLES"}) {
    EXPECT_FALSE(Section(heading).empty()) << heading;
  }
  EXPECT_EQ(PlainText(Section("NAME").at(0)).rfind("pallograph - ", 0), 0u);
  const std::string page = test::ReadText(ManPagePath());
  const std::string title = ".TH PALLOGRAPH 1 ";
  const size_t at = page.find(title);
  ASSERT_NE(at, std::string::npos);
  const std::string line = page.substr(at, page.find('\n', at) - at);
  EXPECT_NE(line.find(std::string("\"Pallograph ") + kProgramVersion + "\""), std::string::npos)
      << line;
}

TEST(ManPageTest, ExitStatusGivesEveryCodeWithItsPosixStatus) {
  std::vector<int> codes = {kExitNoClientPath,     kExitClientError,   kExitClientExeMissing,
                            kExitNoPackages,       kExitCrashTanksCfg, kExitMapTanksCfg,
                            kExitMapTrainsCfg,     kExitCamouflageCfg, kExitUsage,
                            kExitOutputFolderBusy, kExitAllInOneEmpty, kExitAllInOnePackFailed,
                            kExitUnexpectedError};
  for (const TStageRow& row : kStages) {
    codes.insert(codes.end(), {row.JobErrorCode, row.EmptyCode, row.PackFailedCode});
  }
  const std::vector<std::string> tags = Tags("EXIT STATUS");
  const std::set<std::string> listed(tags.begin(), tags.end());
  EXPECT_TRUE(listed.count("0 / 0"));
  for (const int code : codes) {
    const std::string tag = std::to_string(code) + " / " + std::to_string(code - 16000);
    EXPECT_TRUE(listed.count(tag)) << "no EXIT STATUS item \"" << tag << "\"";
  }
  // Interruptions by a signal have a POSIX status only.
  EXPECT_TRUE(listed.count("130"));
  EXPECT_TRUE(listed.count("143"));
}

TEST(ManPageTest, EnvironmentNamesEveryVariableTheProgramReads) {
  // The names the program's sources read (the Windows layer reads none of its own), and the
  // names of the program's own and the XDG variables wherever they stand.
  const std::regex kRead(R"re((?:GetEnvironmentText|getenv)\("([A-Za-z_][A-Za-z0-9_]*)"\))re");
  const std::regex kNamed(R"re("((?:PALLOGRAPH|XDG)_[A-Z0-9_]+)")re");
  std::set<std::string> read;
  for (const char* folder :
       {"app", "run", "client", "archive", "texture", "mods", "configs", "online", "platform"}) {
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(test::SourceDir() + "/" + folder)) {
      const std::string path = entry.path().string();
      if (path.find("/win32/") != std::string::npos) continue;
      if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
      const std::string text = test::ReadText(path);
      for (const std::regex& pattern : {kRead, kNamed}) {
        for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
             it != std::sregex_iterator(); ++it) {
          read.insert((*it)[1].str());
        }
      }
    }
  }
  EXPECT_TRUE(read.count("PALLOGRAPH_LOCK_WAIT") && read.count("HOME")) << "the source scan";
  std::set<std::string> documented;
  for (const std::string& tag : Tags("ENVIRONMENT")) {
    const std::regex kName("[A-Za-z_][A-Za-z0-9_]*");
    for (auto it = std::sregex_iterator(tag.begin(), tag.end(), kName);
         it != std::sregex_iterator(); ++it) {
      documented.insert(it->str());
    }
  }
  for (const std::string& name : read) {
    EXPECT_TRUE(documented.count(name)) << name << " is read but has no ENVIRONMENT item";
  }
}

TEST(ManPageTest, GroffRendersItWithoutAWarning) {
  const test::TProcessResult result =
      test::RunProcess({"groff", "-man", "-Tutf8", "-ww", ManPagePath()});
  ASSERT_NE(result.ExitCode, 127) << "groff is missing (scripts/setup.sh installs groff-base)";
  EXPECT_EQ(result.ExitCode, 0);
  EXPECT_EQ(result.Err, "");
  EXPECT_NE(result.Out.find("Every chosen mod was built."), std::string::npos);
}

}  // namespace
}  // namespace pallograph
