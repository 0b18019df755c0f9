// The statistics client against a loopback collector.
#include "online/GoogleAnalytics.h"

#include <gtest/gtest.h>

#include <cctype>

#include "online/LoopbackServer.h"

namespace pallograph {
namespace {

using test::TLoopbackServer;

RHitSettings Settings(const std::string& trackingId = "UA-1-1") {
  return MakeHitSettings(trackingId, "CID", "Pallograph2", "2.1.3", "226", "Linux", "");
}

// The address of a loopback server that has already stopped: nothing listens there.
std::string ClosedHost() {
  TLoopbackServer gone;
  return gone.Host();
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
  const std::string host = ClosedHost();
  TGoogleAnalytics stats(Settings(), host);
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

// "XXXXXXXX-XXXXXXXX" in upper-case hexadecimal digits.
bool IsHexPair(const std::string& id) {
  if (id.size() != 17 || id[8] != '-') return false;
  for (size_t i = 0; i < id.size(); ++i) {
    if (i != 8 && !std::isdigit(static_cast<unsigned char>(id[i])) && (id[i] < 'A' || id[i] > 'F'))
      return false;
  }
  return true;
}

TEST(ClientIdTest, HexPairOrNoneAndStable) {
  const std::string id = MakeClientId();
  EXPECT_TRUE(id == "None" || IsHexPair(id)) << id;
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
