// The update check against a loopback update server.
#include "online/WebUpdate.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "online/DownloadedText.h"
#include "online/LoopbackServer.h"
#include "run/ProgramInfo.h"

namespace pallograph {
namespace {

using test::ReadText;
using test::SourceDir;
using test::TLoopbackServer;

struct RShown {
  std::string Caption;
  std::string Text;
  MessageIcon Icon;
  std::thread::id Thread;
};

// Records what the check shows and opens; answers questions with `Answer`.
struct TDesktop {
  bool Answer = false;
  std::vector<RShown> Shown;
  std::vector<std::string> Opened;

  TWebUpdateServices Services() {
    TWebUpdateServices services;
    services.ShowMessage = [this](const std::string& caption, const std::string& text,
                                  MessageIcon icon) {
      Shown.push_back({caption, text, icon, std::this_thread::get_id()});
      return icon == MessageIcon::Question ? Answer : true;
    };
    services.OpenUrl = [this](const std::string& url) {
      Opened.push_back(url);
      return true;
    };
    return services;
  }
};

// Runs the check as the program does (build 226, waiting, reporting everything).
bool Check(TDesktop& desktop, const std::string& baseUrl, int16_t language = 1,
           bool reportAll = true) {
  const TWebUpdate update("226", true, reportAll, "Pallograph2", language, "UpdateInfo_en.upd",
                          "UpdateInfo_ru.upd", "Pallograph.upd", baseUrl, desktop.Services());
  return update.DownloadStarted();
}

const std::string kNotReachable =
    "Server was not found or is not available, please try again later.\r\n\r\nNote: Probably "
    "the version of the program is great outdated or the address of the update server has "
    "changed. You can independently check for a new version on the program website.";

TEST(WebUpdateTest, SameBuildIsNoUpdateAndReportedOnlyWithReportAll) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  server.AddFile("Pallograph.upd", "226\r\n2.1.3\r\nPallograph.zip\r\n");
  TDesktop desktop;
  EXPECT_FALSE(Check(desktop, server.Url("/")));
  ASSERT_EQ(desktop.Shown.size(), 1u);
  EXPECT_EQ(desktop.Shown[0].Caption, "Pallograph2");
  EXPECT_EQ(desktop.Shown[0].Text,
            "You are already using the latest version of the program. Update is not required.");
  EXPECT_EQ(desktop.Shown[0].Icon, MessageIcon::Information);
  // Messages run on the thread that waits, not on the worker.
  EXPECT_EQ(desktop.Shown[0].Thread, std::this_thread::get_id());

  TDesktop quiet;
  Check(quiet, server.Url("/"), 1, false);
  EXPECT_TRUE(quiet.Shown.empty());
}

const std::string kUnreadable =
    "The answer of the update server could not be read, please try again later.\r\n\r\nYou "
    "can independently check for a new version on the program website.";

// What the server sends is no version file, or holds what must not reach a terminal: the check
// says so, shows no control character, and keeps the reason with the address.
TEST(WebUpdateTest, AnswersThatAreNoVersionFileOrHoldControlsAreSaidSo) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  const std::string base = server.Url("/");
  const struct {
    std::string Version, Notes, Mode, Shown, Problem;
  } cases[] = {
      {"new\n2.2.0\n", "", "", kUnreadable,
       "Pallograph.upd: the answer is no version file (its first line is no build number)"},
      {"<!DOCTYPE html>\n<html></html>\n", "", "", kUnreadable,
       "Pallograph.upd: the answer is no version file (its first line is no build number)"},
      {std::string("227\n\x8B\x1F\0\xFF", 8), "", "", kUnreadable,
       "Pallograph.upd: the answer is not UTF-8 text"},
      {"227\n2.2\x1B[31m\n", "", "", kUnreadable,
       "Pallograph.upd: the answer holds control characters"},
      {"227\n2.2\n",
       "- a\x1B]0;title\x07"
       "b\x1B[2J\xC2\x9B"
       "c\r\n\t- d",
       "",
       "Found a new version of the program: 2.2.\r\n\r\n- a]0;titleb[2Jc\r\n\t- d\r\n\r\nYou can "
       "download the new version and see the list of changes on the official website.",
       ""},
      {"227\n2.2\n", "", "size 100000",
       "Found a new version of the program: 2.2.\r\n\r\nYou can download the new version and "
       "see the list of changes on the official website.",
       "UpdateInfo_en.upd: the answer is larger than 16 KiB; the change notes are left out"},
  };
  for (const auto& c : cases) {
    server.AddFile("Pallograph.upd", c.Version);
    server.AddFile("UpdateInfo_en.upd", c.Notes);
    if (c.Mode.empty()) {
      server.ClearMode("UpdateInfo_en.upd");
    } else {
      server.SetMode("UpdateInfo_en.upd", c.Mode);
    }
    TDesktop desktop;
    const TWebUpdate update("226", true, true, "Pallograph2", 1, "UpdateInfo_en.upd",
                            "UpdateInfo_ru.upd", "Pallograph.upd", base, desktop.Services());
    ASSERT_EQ(desktop.Shown.size(), 1u) << c.Version;
    EXPECT_EQ(desktop.Shown[0].Text, c.Shown) << c.Version;
    const std::vector<std::string> expected =
        c.Problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{base + c.Problem};
    EXPECT_EQ(update.Problems(), expected) << c.Version;
    EXPECT_FALSE(update.WaitRanOut());
  }
}

TEST(PrintableTextTest, ControlCharactersGoAndBrokenBytesBecomeQuestionMarks) {
  const struct {
    std::string Text, Printable;
    bool Utf8;
  } cases[] = {
      {"plain\ttext\r\nnext\rline\n", "plain\ttext\r\nnext\rline\n", true},
      {"\x1B[31mred\x1B[0m", "[31mred[0m", true},
      {std::string("a\0b\x07\x08\x7F", 6), "ab", true},
      {"C1 \xC2\x9B"
       "31m \xC2\x85 kept \xC2\xA0\xC3\xBC",
       "C1 31m  kept \xC2\xA0\xC3\xBC", true},
      {"\xD0\xAF \xE2\x82\xAC \xF0\x9F\x98\x80", "\xD0\xAF \xE2\x82\xAC \xF0\x9F\x98\x80", true},
      {"bad \xFF \xC0\xAF \xED\xA0\x80 \xE2\x82", "bad ? ?? ??? ??", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PrintableText(c.Text), c.Printable) << c.Text;
    EXPECT_EQ(IsUtf8Text(c.Text), c.Utf8) << c.Text;
  }
}

TEST(WebUpdateTest, NewerBuildAloneGivesTheFirstMessage) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  server.AddFile("Pallograph.upd", "227");
  server.AddFile("UpdateInfo_en.upd", "- faster");
  TDesktop desktop;
  EXPECT_FALSE(Check(desktop, server.Url("/")));
  ASSERT_EQ(desktop.Shown.size(), 1u);
  EXPECT_EQ(desktop.Shown[0].Text,
            "A new version of the program has been found. You can download it and see the list "
            "of changes on the official website.");
  EXPECT_EQ(desktop.Shown[0].Icon, MessageIcon::Information);
  EXPECT_TRUE(desktop.Opened.empty());
}

TEST(WebUpdateTest, VersionTextWithNotesOfTheChosenLanguage) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  server.AddFile("Pallograph.upd", "227\n2.2.0\n");
  server.AddFile("UpdateInfo_en.upd", "- English notes");
  server.AddFile("UpdateInfo_ru.upd", "- Russian notes");
  TDesktop english;
  Check(english, server.Url("/"), 1);
  ASSERT_EQ(english.Shown.size(), 1u);
  EXPECT_EQ(english.Shown[0].Text,
            "Found a new version of the program: 2.2.0.\r\n\r\n- English notes\r\n\r\nYou can "
            "download the new version and see the list of changes on the official website.");
  TDesktop russian;
  Check(russian, server.Url("/"), 0);
  ASSERT_EQ(russian.Shown.size(), 1u);
  EXPECT_NE(russian.Shown[0].Text.find(": 2.2.0.\r\n\r\n- Russian notes\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(russian.Shown[0].Text.find("You can"), std::string::npos);
}

TEST(WebUpdateTest, MissingNotesOnlyDropTheNotes) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  server.AddFile("Pallograph.upd", "300\r\n3.0\r\n");
  TDesktop desktop;
  Check(desktop, server.Url("/"));
  ASSERT_EQ(desktop.Shown.size(), 1u);
  EXPECT_EQ(desktop.Shown[0].Text,
            "Found a new version of the program: 3.0.\r\n\r\nYou can download the new version "
            "and see the list of changes on the official website.");
}

TEST(WebUpdateTest, DownloadQuestionNoGoesOnYesOpensTheDownload) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  server.AddFile("Pallograph.upd", "227\r\n2.2.0\r\n  Pallograph_2.2.0.zip  \r\n");
  server.AddFile("UpdateInfo_en.upd", "notes");
  const std::string question =
      "Found a new version of the program: 2.2.0, start downloading?\r\n\r\nnotes\r\n\r\nYou "
      "can also manually download the new version of the program and see the list of changes "
      "on the official website.";
  TDesktop no;
  EXPECT_FALSE(Check(no, server.Url("/")));
  ASSERT_EQ(no.Shown.size(), 1u);
  EXPECT_EQ(no.Shown[0].Text, question);
  EXPECT_EQ(no.Shown[0].Icon, MessageIcon::Question);
  EXPECT_TRUE(no.Opened.empty());

  TDesktop yes;
  yes.Answer = true;
  EXPECT_TRUE(Check(yes, server.Url("/")));
  ASSERT_EQ(yes.Opened.size(), 1u);
  // The Windows build opens the download; the others open the release page in its place.
  const std::string page = ReleasePageUrl();
  EXPECT_EQ(yes.Opened[0], page.empty() ? server.Url("/Pallograph_2.2.0.zip") : page);
}

// The update files this repository publishes (data/update/), served as they are.
TEST(WebUpdateTest, RepositoryUpdateFilesAnswerTheCheck) {
  const std::string folder = SourceDir() + "/data/update/";
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  for (const char* name : {"Pallograph.upd", "UpdateInfo_en.upd", "UpdateInfo_ru.upd"}) {
    server.AddFile(name, ReadText(folder + name));
  }
  const std::string noUpdate =
      "You are already using the latest version of the program. Update is not required.";
  const std::string question = std::string("Found a new version of the program: ") +
                               kProgramVersion + ", start downloading?\r\n\r\n" +
                               ReadText(folder + "UpdateInfo_en.upd") +
                               "\r\n\r\nYou can also manually download the new version of the "
                               "program and see the list of changes on the official website.";
  const struct {
    std::string VersionFile, Build, Text;
    MessageIcon Icon;
  } cases[] = {
      {"Pallograph.upd", kProgramBuild, noUpdate, MessageIcon::Information},
      {"Pallograph.upd", std::to_string(std::stoll(kProgramBuild) - 1), question,
       MessageIcon::Question},
      // Not a version file: its first line is no number.
      {"UpdateInfo_en.upd", "0", kUnreadable, MessageIcon::Information},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.VersionFile + " " + c.Build);
    TDesktop desktop;
    desktop.Answer = true;
    const TWebUpdate update(c.Build, true, true, "Pallograph2", 1, "UpdateInfo_en.upd",
                            "UpdateInfo_ru.upd", c.VersionFile, server.Url("/"),
                            desktop.Services());
    ASSERT_EQ(desktop.Shown.size(), 1u);
    EXPECT_EQ(desktop.Shown[0].Text, c.Text);
    EXPECT_EQ(desktop.Shown[0].Icon, c.Icon);
    EXPECT_EQ(update.DownloadStarted(), c.Icon == MessageIcon::Question);
    EXPECT_EQ(desktop.Opened.size(), c.Icon == MessageIcon::Question ? 1u : 0u);
  }
}

TEST(WebUpdateTest, RepositoryUpdateFilesNameTheProgramsVersionAndBuild) {
  const std::string folder = SourceDir() + "/data/update/";
  const std::string version = kProgramVersion, build = kProgramBuild;
  EXPECT_EQ(ReadText(folder + "Pallograph.upd"),
            build + "\n" + version +
                "\nhttps://github.com/pallograph/pallograph/releases/latest/download/"
                "pallograph-windows-x64.zip\n");
  const std::pair<std::string, std::string> notes[] = {
      {"UpdateInfo_en.upd", "Pallograph " + version + " (build " + build + ")\n"},
      {"UpdateInfo_ru.upd", "Pallograph " + version + " (сборка " + build + ")\n"}};
  for (const auto& [name, heading] : notes) {
    const std::string text = ReadText(folder + name);
    EXPECT_EQ(text.substr(0, heading.size()), heading) << name;
    EXPECT_GT(text.size(), heading.size()) << name;
    EXPECT_NE(text.back(), '\n') << name;  // the program adds its own break after the notes
  }
}

TEST(WebUpdateTest, MissingVersionFileOrServerIsNotReachable) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  TDesktop missing;  // 404
  Check(missing, server.Url("/"));
  ASSERT_EQ(missing.Shown.size(), 1u);
  EXPECT_EQ(missing.Shown[0].Text, kNotReachable);
  server.AddFile("Pallograph.upd", "");
  TDesktop empty;
  Check(empty, server.Url("/"));
  ASSERT_EQ(empty.Shown.size(), 1u);
  EXPECT_EQ(empty.Shown[0].Text, kNotReachable);
  TDesktop quiet;
  Check(quiet, server.Url("/"), 1, false);
  EXPECT_TRUE(quiet.Shown.empty());
}

TEST(WebUpdateTest, ServerSlowerThanTheWaitShowsNothing) {
  TLoopbackServer server({"--delay", "11"});
  ASSERT_TRUE(server.Running());
  server.AddFile("Pallograph.upd", "227");
  TDesktop desktop;
  EXPECT_FALSE(Check(desktop, server.Url("/")));
  // The answer arrives after the wait; the worker must still show nothing.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_TRUE(desktop.Shown.empty());
}

TEST(WebUpdateTest, WithoutWaitingTheOwnerShowsTheMessages) {
  TLoopbackServer server;
  ASSERT_TRUE(server.Running());
  server.AddFile("Pallograph.upd", "226");
  TDesktop desktop;
  TWebUpdate update("226", false, true, "", 1, "UpdateInfo_en.upd", "UpdateInfo_ru.upd",
                    "Pallograph.upd", server.Url("/"), desktop.Services());
  bool finished = false;
  for (int i = 0; i < 1000 && !finished; ++i) {
    finished = update.ProcessMessages();
    if (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(finished);
  ASSERT_EQ(desktop.Shown.size(), 1u);
  EXPECT_EQ(desktop.Shown[0].Caption, "Pallograph");
}

TEST(UpdateMessageTextTest, RussianTextsDifferFromEnglishAndKeepTheNotes) {
  for (const TUpdateMessage m :
       {TUpdateMessage::NewVersion, TUpdateMessage::NewVersionWithText,
        TUpdateMessage::NewVersionWithDownload, TUpdateMessage::NoUpdate,
        TUpdateMessage::ServerNotReachable, TUpdateMessage::AnswerUnreadable}) {
    const std::string ru = UpdateMessageText(m, 0, "2.2", "notes");
    EXPECT_NE(ru, UpdateMessageText(m, 1, "2.2", "notes"));
    EXPECT_EQ(UpdateMessageText(m, 2, "2.2", "notes"), UpdateMessageText(m, 1, "2.2", "notes"));
    EXPECT_EQ(ru.find("You "), std::string::npos);
  }
  EXPECT_NE(UpdateMessageText(TUpdateMessage::NewVersionWithText, 0, "2.2", "notes")
                .find("2.2.\r\n\r\nnotes\r\n\r\n"),
            std::string::npos);
}

TEST(VersionFileTest, LinesSplitAtAnyBreakAndOptionalPartsStayEmpty) {
  const RVersionFile full = ParseVersionFile("227\r2.2.0\n\t file.zip \r\n", "http://u/");
  EXPECT_EQ(full.NewestBuild, 227);
  EXPECT_EQ(full.VersionText, "2.2.0");
  EXPECT_EQ(full.DownloadURL, "http://u/file.zip");
  const RVersionFile blank = ParseVersionFile(" 230 \n\n   \n", "http://u/");
  EXPECT_EQ(blank.NewestBuild, 230);
  EXPECT_EQ(blank.VersionText, "");
  EXPECT_EQ(blank.DownloadURL, "");
  EXPECT_EQ(full.Problem, "");
  EXPECT_EQ(ParseVersionFile("227x", "").NewestBuild, 0);
  EXPECT_EQ(ParseVersionFile("", "").NewestBuild, 0);
  EXPECT_EQ(ParseVersionFile("\n228", "").NewestBuild, 0);
  for (const char* unreadable : {"227x", "", "\n228", "x\n227"}) {
    EXPECT_NE(ParseVersionFile(unreadable, "").Problem, "") << unreadable;
  }
  // A download on another host is a full address; anything else is a name in the folder.
  for (const auto& [line, url] : std::vector<std::pair<std::string, std::string>>{
           {" https://host/a/b.zip ", "https://host/a/b.zip"},
           {"HTTP://host/b.zip", "HTTP://host/b.zip"},
           // Only web addresses are handed to the desktop.
           {"svn+ssh://host/b", ""},
           {"file:///C:/Windows/System32/calc.exe", ""},
           {"https://host/a b.zip", ""},
           {"https://host/\xC3\xA4.zip", ""},
           {"dir/b.zip", "http://u/dir/b.zip"},
           {"://host/b.zip", "http://u/://host/b.zip"},
           {"1x://host/b.zip", "http://u/1x://host/b.zip"},
           {"b.zip?from=https://host", "http://u/b.zip?from=https://host"}}) {
    const RVersionFile file = ParseVersionFile("227\n2.2\n" + line, "http://u/");
    EXPECT_EQ(file.DownloadURL, url) << line;
    EXPECT_EQ(DownloadToOpen(file, ""), url);
    EXPECT_EQ(DownloadToOpen(file, "https://page/"), url.empty() ? "" : "https://page/");
  }
  EXPECT_EQ(DownloadToOpen(blank, "https://page/"), "");
}

TEST(UpdateServerUrlTest, EnvironmentOverridesAndSlashIsAdded) {
  setenv("PALLOGRAPH_UPDATE_URL", "http://127.0.0.1:1/upd", 1);
  EXPECT_EQ(UpdateServerUrl(), "http://127.0.0.1:1/upd/");
  unsetenv("PALLOGRAPH_UPDATE_URL");
  EXPECT_EQ(UpdateServerUrl().back(), '/');
  setenv("PALLOGRAPH_RELEASE_PAGE", "http://127.0.0.1:1/releases", 1);
  EXPECT_EQ(ReleasePageUrl(), "http://127.0.0.1:1/releases");
  unsetenv("PALLOGRAPH_RELEASE_PAGE");
}

}  // namespace
}  // namespace pallograph
