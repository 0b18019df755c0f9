// The statistics client against a loopback collector.
#include "online/GoogleAnalytics.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>

#include "online/LoopbackServer.h"

namespace pallograph {
namespace {

using test::TLoopbackServer;

RHitSettings Settings(const std::string& trackingId = "UA-1-1") {
  return MakeHitSettings(trackingId, "CID", "Pallograph2", "2.1.3", "226", "Linux", "");
}

// A loopback port on which nothing listens.
int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

TEST(GoogleAnalyticsTest, PostsEachHitFormEncodedWithItsHeaders) {
  TLoopbackServer collector;
  ASSERT_TRUE(collector.Running());
  {
    TGoogleAnalytics stats(Settings(), collector.Host());
    EXPECT_TRUE(stats.Enabled());
    stats.SendEvent("Application", "Run", -1, "Linux Mint");
    stats.SendEvent("Args", "MEM-mod", -1, "#FF 00");
    stats.SendTiming("Processing", "FullTime", "", 1500);
  }
  const auto posts = collector.Posts();
  ASSERT_EQ(posts.size(), 3u);
  const std::string head = "v=1&tid=UA-1-1&cid=CID&an=Pallograph2&av=2.1.3&aid=226&aiid=Linux&";
  EXPECT_EQ(posts[0].Body, head + "t=event&ec=Application&ea=Run&el=Linux%20Mint");
  EXPECT_EQ(posts[1].Body, head + "t=event&ec=Args&ea=MEM-mod&el=%23FF%2000");
  EXPECT_EQ(posts[2].Body, head + "t=timing&utc=Processing&utv=FullTime&utt=1500");
  for (const auto& post : posts) {
    EXPECT_EQ(post.Path, "/collect");
    EXPECT_EQ(post.UserAgent, "Pallograph2/2.1.3");
    EXPECT_EQ(post.ContentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(post.AcceptCharset, "windows-1251");
  }
}

TEST(GoogleAnalyticsTest, EmptyTrackingIdOrHostSendsNothing) {
  TLoopbackServer collector;
  ASSERT_TRUE(collector.Running());
  {
    TGoogleAnalytics stats(Settings(""), collector.Host());
    EXPECT_FALSE(stats.Enabled());
    stats.SendEvent("Application", "Run", -1, "x");
    stats.SendTiming("Processing", "FullTime", "", 1);
  }
  {
    TGoogleAnalytics stats(Settings(), "");
    EXPECT_FALSE(stats.Enabled());
    stats.SendEvent("Application", "Run", -1, "x");
  }
  EXPECT_TRUE(collector.Posts().empty());
}

TEST(GoogleAnalyticsTest, StopSendsWhatIsQueuedWithoutPauses) {
  TLoopbackServer collector;
  ASSERT_TRUE(collector.Running());
  {
    TGoogleAnalytics stats(Settings(), collector.Host());
    // With the 250 ms pauses these would need two seconds; the destruction waits one.
    for (int i = 0; i < 8; ++i) stats.SendEvent("Args", "n" + std::to_string(i), i, "");
  }
  const auto posts = collector.Posts();
  ASSERT_EQ(posts.size(), 8u);
  EXPECT_NE(posts[7].Body.find("ea=n7&ev=7"), std::string::npos);
}

class FailingCollectorTest : public testing::TestWithParam<const char*> {};

TEST_P(FailingCollectorTest, EachHitIsTriedThreeTimesThenDropped) {
  TLoopbackServer collector({"--collect", GetParam()});
  ASSERT_TRUE(collector.Running());
  {
    TGoogleAnalytics stats(Settings(), collector.Host());
    stats.SendEvent("Application", "Run", -1, "");
    stats.SendEvent("Args", "CCT-mod", -1, "00FF00");
  }
  const auto posts = collector.Posts();
  ASSERT_EQ(posts.size(), 6u);
  for (int i = 0; i < 3; ++i) EXPECT_NE(posts[i].Body.find("ea=Run"), std::string::npos);
  for (int i = 3; i < 6; ++i) EXPECT_NE(posts[i].Body.find("ea=CCT-mod"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(DropOrStatus500, FailingCollectorTest, testing::Values("drop", "fail"));

TEST(GoogleAnalyticsTest, RefusedConnectionsNeverHoldTheOwner) {
  // Nothing listens: every try fails at once, and the destruction returns.
  TGoogleAnalytics stats(Settings(), "127.0.0.1:" + std::to_string(ClosedPort()));
  for (int i = 0; i < 5; ++i) stats.SendEvent("Args", "x", -1, "");
  stats.SendTiming("Processing", "FullTime", "", stats.ElapsedMs());
}

TEST(GoogleAnalyticsTest, HostAndTrackingIdComeFromTheEnvironment) {
  setenv("PALLOGRAPH_STATS_HOST", "127.0.0.1:9", 1);
  setenv("PALLOGRAPH_STATS_TID", "UA-9-9", 1);
  EXPECT_EQ(StatsCollectorHost(), "127.0.0.1:9");
  EXPECT_EQ(StatsTrackingId(), "UA-9-9");
  unsetenv("PALLOGRAPH_STATS_HOST");
  unsetenv("PALLOGRAPH_STATS_TID");
  EXPECT_EQ(StatsCollectorUrl("h:1"), "http://h:1/collect");
}

TEST(ClientIdTest, HexPairOrNoneAndStable) {
  const std::string id = MakeClientId();
  EXPECT_TRUE(id == "None" || std::regex_match(id, std::regex("[0-9A-F]{8}-[0-9A-F]{8}"))) << id;
  EXPECT_EQ(MakeClientId(), id);
}

TEST(ElapsedMsTest, NegativeIsZeroAndBeyondFourGigaIsMinusOne) {
  EXPECT_EQ(ClampElapsedMs(-5), 0);
  EXPECT_EQ(ClampElapsedMs(0), 0);
  EXPECT_EQ(ClampElapsedMs(123456), 123456);
  EXPECT_EQ(ClampElapsedMs(4294967295LL), -1);  // the low 32 bits
  EXPECT_EQ(ClampElapsedMs(4294967296LL), -1);
  EXPECT_EQ(ClampElapsedMs(5000000000LL), -1);
}

}  // namespace
}  // namespace pallograph
