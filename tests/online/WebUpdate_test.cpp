// The update check against a loopback update server.
#include "online/WebUpdate.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "online/LoopbackServer.h"

namespace pallograph {
namespace {

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
  // A first line that is not a number counts as build 0.
  server.AddFile("Pallograph.upd", "new\n2.2.0\n");
  TDesktop notNumber;
  Check(notNumber, server.Url("/"));
  ASSERT_EQ(notNumber.Shown.size(), 1u);
  EXPECT_NE(notNumber.Shown[0].Text.find("latest version"), std::string::npos);
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
  EXPECT_EQ(yes.Opened[0], server.Url("/Pallograph_2.2.0.zip"));
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
  for (const TUpdateMessage m : {TUpdateMessage::NewVersion, TUpdateMessage::NewVersionWithText,
                                 TUpdateMessage::NewVersionWithDownload, TUpdateMessage::NoUpdate,
                                 TUpdateMessage::ServerNotReachable}) {
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
  EXPECT_EQ(ParseVersionFile("227x", "").NewestBuild, 0);
  EXPECT_EQ(ParseVersionFile("", "").NewestBuild, 0);
  EXPECT_EQ(ParseVersionFile("\n228", "").NewestBuild, 0);
}

TEST(UpdateServerUrlTest, EnvironmentOverridesAndSlashIsAdded) {
  setenv("PALLOGRAPH_UPDATE_URL", "http://127.0.0.1:1/upd", 1);
  EXPECT_EQ(UpdateServerUrl(), "http://127.0.0.1:1/upd/");
  unsetenv("PALLOGRAPH_UPDATE_URL");
  EXPECT_EQ(UpdateServerUrl().back(), '/');
}

}  // namespace
}  // namespace pallograph
