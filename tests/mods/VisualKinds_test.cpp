#include <gtest/gtest.h>

#include "ModsTestHelpers.h"
#include "mods/VisualCrashTracks.h"

namespace pallograph {
namespace {

using test::Root;

TEST(ThVisualScanTest, PartKindNeedsAnExtensionBeginningWithVisual) {
  EXPECT_EQ(ThVisualScan::GetPartKind("v\\crash\\lod0\\Hull.visual_processed"), 2);
  EXPECT_EQ(ThVisualScan::GetPartKind("v\\crash\\lod0\\hull.visual"), 2);
  EXPECT_EQ(ThVisualScan::GetPartKind("v\\crash\\lod0\\hull.model"), 0);
  EXPECT_EQ(ThVisualScan::GetPartKind("v\\crash\\lod0\\hull.primitives_processed"), 0);
  EXPECT_EQ(ThVisualScan::GetPartKind("v\\crash\\lod0\\hull"), 0);
  // Only the file part counts: a "hull" folder does not make a hull.
  EXPECT_EQ(ThVisualScan::GetPartKind("v\\hull\\body.visual"), 0);
  // A dot in the folder is not the extension.
  EXPECT_EQ(ThVisualScan::GetPartKind("v\\a.visual\\hull"), 0);
}

TEST(ThVisualScanTest, PartKindTakesTheFirstMatchInOrder) {
  EXPECT_EQ(ThVisualScan::GetPartKind("x\\Chassis.visual_processed"), 1);
  EXPECT_EQ(ThVisualScan::GetPartKind("x\\hull_chassis.visual"), 1);
  EXPECT_EQ(ThVisualScan::GetPartKind("x\\gun_hull.visual"), 2);
  EXPECT_EQ(ThVisualScan::GetPartKind("x\\Gun_02.visual_processed"), 3);
  EXPECT_EQ(ThVisualScan::GetPartKind("x\\turret_gun.visual"), 3);
  EXPECT_EQ(ThVisualScan::GetPartKind("x\\TURRET_01.VISUAL"), 4);
  EXPECT_EQ(ThVisualScan::GetPartKind("x\\wheel.visual"), 0);
}

TEST(ThVisualScanTest, FolderKindTakesTheFirstMatchInOrder) {
  EXPECT_EQ(ThVisualScan::GetFolderKind("v\\r\\T\\normal\\lod0\\hull.visual"), 1);
  // Both "\normal" and "\crash": normal wins, so such a file is never patched.
  EXPECT_EQ(ThVisualScan::GetFolderKind("v\\r\\normal\\crash\\lod0\\hull.visual"), 1);
  EXPECT_EQ(ThVisualScan::GetFolderKind("v\\R\\T\\Crash\\lod0\\hull.visual"), 2);
  EXPECT_EQ(ThVisualScan::GetFolderKind("v\\r\\T\\collision_client\\hull.visual"), 3);
  EXPECT_EQ(ThVisualScan::GetFolderKind("v\\r\\T\\track\\segment_L.visual"), 4);
  EXPECT_EQ(ThVisualScan::GetFolderKind("v\\r\\T\\lod0\\hull.visual"), 0);
  // The file name is not part of the folder.
  EXPECT_EQ(ThVisualScan::GetFolderKind("v\\r\\T\\lod0\\crash.visual"), 0);
  EXPECT_EQ(ThVisualScan::GetFolderKind("crash\\hull.visual"), 0);
}

TEST(ThVisualScanTest, InFoldersAcceptsEverythingWithoutNames) {
  TMainThreadQueue queue;
  ThVisualCrashTracks job(Root("res\\packages\\a.pkg", {}), nullptr, "\\out\\", "\\client\\",
                          test::LibraryFile(), queue);
  EXPECT_TRUE(job.InFolders("anything\\at\\all.visual"));
}

TEST(ThVisualScanTest, InFoldersMatchesFragmentsIgnoringCase) {
  TMainThreadQueue queue;
  ThVisualCrashTracks job(Root("res\\packages\\a.pkg", {"R11_MS-1\\", "Germany\\Pz"}), nullptr,
                          "\\out\\", "\\client\\", test::LibraryFile(), queue);
  EXPECT_TRUE(job.InFolders("vehicles\\russian\\r11_ms-1\\crash\\hull.visual"));
  EXPECT_TRUE(job.InFolders("VEHICLES\\GERMANY\\PZ_IV\\crash\\hull.visual"));
  EXPECT_FALSE(job.InFolders("vehicles\\russian\\R11_MS-10\\crash\\hull.visual"));
  EXPECT_FALSE(job.InFolders("vehicles\\russian\\R04_T-34\\crash\\hull.visual"));
  // A fragment with wildcards matches a part of the path, as a plain one occurs in it.
  ThVisualCrashTracks styled(Root("res\\packages\\a.pkg", {"\\_skins\\*\\crash\\lod?\\"}), nullptr,
                             "\\out\\", "\\client\\", test::LibraryFile(), queue);
  EXPECT_TRUE(styled.InFolders("vehicles\\a\\A05\\_skins\\Style1\\crash\\lod0\\hull.visual"));
  EXPECT_FALSE(styled.InFolders("vehicles\\a\\A05\\crash\\lod0\\hull.visual"));
  EXPECT_FALSE(styled.InFolders("vehicles\\a\\A05\\_skins\\Style1\\crash\\lod10\\hull.visual"));
}

}  // namespace
}  // namespace pallograph
