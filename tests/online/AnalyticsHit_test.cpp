// Hit records and their form-encoded parameter lists.
#include "online/AnalyticsHit.h"

#include <gtest/gtest.h>

namespace pallograph {
namespace {

RHitSettings Settings(const std::string& installer = "Debian GNU/Linux 12 (bookworm)") {
  return MakeHitSettings("UA-12345678-1", "0A0B0C0D-01020304", "Pallograph2", "2.1.3", "226",
                         installer, "");
}

std::string Body(const RHit& hit) { return EncodeFormBody(BuildHitParameters(hit)); }

TEST(HitSettingsTest, ProtocolVersionIsOneAndTextsAreCutToTheirFields) {
  const RHitSettings s = MakeHitSettings(
      std::string(300, 't'), std::string(300, 'c'), std::string(120, 'n'), std::string(120, 'v'),
      std::string(200, 'i'), std::string(200, 'w'), std::string(30, 'l'));
  EXPECT_EQ(s.ProtocolVersion, "1");
  EXPECT_EQ(s.TrackingId, std::string(255, 't'));
  EXPECT_EQ(s.ClientId, std::string(255, 'c'));
  EXPECT_EQ(s.AppName, std::string(100, 'n'));
  EXPECT_EQ(s.AppVersion, std::string(100, 'v'));
  EXPECT_EQ(s.AppId, std::string(150, 'i'));
  EXPECT_EQ(s.AppInstallerId, std::string(150, 'w'));
  EXPECT_EQ(s.UserLanguage, std::string(20, 'l'));
}

TEST(HitParametersTest, EventWithLabelAndValueInOrder) {
  const RHit hit = MakeEventHit(Settings("Windows 10 Pro"), "Args", "MEM-mod", 7, "FFFFFF");
  EXPECT_EQ(hit.Type(), THitType::Event);
  EXPECT_EQ(Body(hit),
            "v=1&tid=UA-12345678-1&cid=0A0B0C0D-01020304&an=Pallograph2&av=2.1.3&aid=226&"
            "aiid=Windows%2010%20Pro&t=event&ec=Args&ea=MEM-mod&el=FFFFFF&ev=7");
}

TEST(HitParametersTest, EventWithoutValueOrLabelSendsNeitherEvNorEl) {
  const AHitParameters p = BuildHitParameters(MakeEventHit(Settings(), "Args", "x", -1, ""));
  for (const auto& [name, value] : p) {
    EXPECT_NE(name, "ev");
    EXPECT_NE(name, "el");
  }
  EXPECT_EQ(p.back().first, "ea");
  // Value 0 is a value.
  EXPECT_EQ(BuildHitParameters(MakeEventHit(Settings(), "a", "b", 0, "")).back(),
            (std::pair<std::string, std::string>("ev", "0")));
}

TEST(HitParametersTest, EmptyOptionalSettingsAreLeftOut) {
  const RHitSettings s = MakeHitSettings("UA-1-1", "None", "Pallograph2", "", "", "", "");
  EXPECT_EQ(Body(MakeEventHit(s, "Application", "Run", -1, "")),
            "v=1&tid=UA-1-1&cid=None&an=Pallograph2&t=event&ec=Application&ea=Run");
  const RHitSettings withLanguage = MakeHitSettings("UA-1-1", "c", "a", "", "", "", "ru");
  EXPECT_EQ(Body(MakeEventHit(withLanguage, "x", "y", -1, "")),
            "v=1&tid=UA-1-1&cid=c&an=a&ul=ru&t=event&ec=x&ea=y");
}

TEST(HitParametersTest, TimingScreenViewAndException) {
  const RHitSettings s = MakeHitSettings("T", "C", "A", "", "", "", "");
  EXPECT_EQ(Body(MakeTimingHit(s, "Processing", "FullTime", "", 1234)),
            "v=1&tid=T&cid=C&an=A&t=timing&utc=Processing&utv=FullTime&utt=1234");
  EXPECT_EQ(Body(MakeTimingHit(s, "P", "V", "L", 0)),
            "v=1&tid=T&cid=C&an=A&t=timing&utc=P&utv=V&utt=0&utl=L");
  EXPECT_EQ(Body(RHit{s, RScreenViewHit{"Main"}}), "v=1&tid=T&cid=C&an=A&t=screenview&cd=Main");
  EXPECT_EQ(Body(RHit{s, RExceptionHit{"Boom", true}}),
            "v=1&tid=T&cid=C&an=A&t=exception&exd=Boom&exf=1");
  EXPECT_EQ(RHit({s, RExceptionHit{}}).Type(), THitType::Exception);
}

TEST(HitParametersTest, EventTextsAreCut) {
  const RHit hit = MakeEventHit(Settings(), std::string(200, 'c'), std::string(300, 'a'), -1,
                                std::string(300, 'l'));
  const auto& e = std::get<REventHit>(hit.Data);
  EXPECT_EQ(e.Category.size(), 150u);
  EXPECT_EQ(e.Action.size(), 255u);
  EXPECT_EQ(e.Label.size(), 255u);
}

TEST(FormEncodingTest, ReservedAndNonAsciiBytesArePercentEncoded) {
  EXPECT_EQ(UrlEncodeValue("aZ09-._~"), "aZ09-._~");
  EXPECT_EQ(UrlEncodeValue("a b&c=d+e/f#"), "a%20b%26c%3Dd%2Be%2Ff%23");
  EXPECT_EQ(UrlEncodeValue("#FF00ff|00"), "%23FF00ff%7C00");
  EXPECT_EQ(UrlEncodeValue("\xD0\x9F\x01"), "%D0%9F%01");
  EXPECT_EQ(EncodeFormBody({{"a", ""}, {"b", "1 2"}}), "a=&b=1%202");
}

}  // namespace
}  // namespace pallograph
