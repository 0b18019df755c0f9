#include "client/VersionXml.h"

#include <gtest/gtest.h>

#include "client/PathsXml.h"

namespace pallograph {
namespace {

RWOTInfo Parse(std::string_view text) {
  RWOTInfo info;
  ParseVersionXml(text, info);
  return info;
}

TEST(VersionXmlTest, SplitsVersionAndBuild) {
  const RWOTInfo info = Parse("<version.xml>\n  <version> v.1.10.0.4 #1234 </version>\n");
  EXPECT_EQ(info.VersionRaw, " v.1.10.0.4 #1234 ");
  EXPECT_EQ(info.VersionText, "v.1.10.0.4 build 1234");
  EXPECT_EQ(info.Version, "1.10.0.4");
  EXPECT_EQ(info.Build, "1234");
}

TEST(VersionXmlTest, OnlyTheFirstHashBecomesBuild) {
  const RWOTInfo info = Parse("<version>v.1.0 #12 #3</version>");
  EXPECT_EQ(info.VersionText, "v.1.0 build 12 #3");
  EXPECT_EQ(info.Build, "123");
}

TEST(VersionXmlTest, BlankOrMissingVersionLeavesTheFieldsEmpty) {
  RWOTInfo info = Parse("<version>  \t </version>");
  EXPECT_EQ(info.VersionRaw, "  \t ");
  EXPECT_EQ(info.VersionText, "");
  EXPECT_EQ(info.Version, "");
  info = Parse("<version.xml><appname>WoT</appname></version.xml>");
  EXPECT_EQ(info.VersionRaw, "");
  info = Parse("");
  EXPECT_EQ(info.VersionRaw, "");
  info = Parse("<version>");
  EXPECT_EQ(info.VersionRaw, "");
  // An unclosed element runs to the end of the text.
  info = Parse("<version> v.9.1 #2");
  EXPECT_EQ(info.Version, "9.1");
  EXPECT_EQ(info.Build, "2");
  // Too short to hold a number after "v.".
  info = Parse("<version>v.</version>");
  EXPECT_EQ(info.VersionText, "v.");
  EXPECT_EQ(info.Version, "");
}

TEST(PathsXmlTest, FolderAfterTheMarker) {
  const std::string text = "<Path>./res_mods/ 1.2.3 </Path><Path>./mods/1.2.3</Path>";
  EXPECT_EQ(PathsXmlFolder(text, kResModsMarker), "1.2.3");
  EXPECT_EQ(PathsXmlFolder(text, kModsMarker), "1.2.3");
  EXPECT_EQ(PathsXmlFolder("<Path>./res</Path>", kModsMarker), "");
  EXPECT_EQ(PathsXmlFolder("./mods/tail", kModsMarker), "tail");
}

TEST(PathsXmlTest, PackageFilterIsCaseSensitiveAndOffForEmptyText) {
  EXPECT_TRUE(PathsXmlListsPackage("", "anything.pkg"));
  EXPECT_TRUE(PathsXmlListsPackage("./res/packages/gui.pkg", "gui.pkg"));
  EXPECT_FALSE(PathsXmlListsPackage("./res/packages/gui.pkg", "GUI.pkg"));
  EXPECT_FALSE(PathsXmlListsPackage("./res/Packages/gui.pkg", "gui.pkg"));
}

}  // namespace
}  // namespace pallograph
