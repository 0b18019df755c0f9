#include "mods/BinaryOps.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Exception.h"
#include "platform/Stream.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

TBytesArray Bytes(const std::string& text) { return TBytesArray(text.begin(), text.end()); }
std::string Text(const TBytesArray& bytes) { return BytesToString(bytes); }

// ---- ReplaceBytes / ReplaceText ----

TEST(ReplaceBytesTest, LastTwoStartPositionsAreNeverExamined) {
  // n = 10, m = 3: a match at n - m = 7 or n - m - 1 = 6 is not seen, at n - m - 2 = 5 it is.
  TBytesArray data = Bytes("..........");
  std::copy_n("abc", 3, data.begin() + 7);
  EXPECT_FALSE(ReplaceText(data, "abc", "xyz", false, true));
  EXPECT_EQ(Text(data), ".......abc");
  data = Bytes("......abc.");
  EXPECT_FALSE(ReplaceText(data, "abc", "xyz", false, true));
  data = Bytes(".....abc..");
  EXPECT_TRUE(ReplaceText(data, "abc", "xyz", false, true));
  EXPECT_EQ(Text(data), ".....xyz..");
}

TEST(ReplaceBytesTest, PaddedShaderNameKeepsTheLengthAndReplacesEveryOccurrence) {
  const std::string crash = "shaders/std_effects/PBS_tank_crash.fx";
  const std::string tank = "shaders/std_effects/PBS_tank.fx";
  ASSERT_EQ(crash.size(), 37u);
  std::string file = "<fx>" + crash + "</fx><fx>" + crash + "</fx>";
  TBytesArray data = Bytes(file);
  EXPECT_TRUE(ReplaceText(data, crash, tank, true, true));
  const std::string padded = tank + std::string(6, '\0');
  EXPECT_EQ(Text(data), "<fx>" + padded + "</fx><fx>" + padded + "</fx>");
}

TEST(ReplaceBytesTest, OnlyTheFirstMatchWithoutAll) {
  TBytesArray data = Bytes("abcXabcXabcX....");
  EXPECT_TRUE(ReplaceText(data, "abc", "12", true, false));
  EXPECT_EQ(data, Bytes(std::string("12\0XabcXabcX....", 16)));
}

TEST(ReplaceBytesTest, ScanResumesAfterTheWrittenBytes) {
  // The longer replacement covers the start of the next occurrence, which is then not found.
  TBytesArray data = Bytes("aaaaaaaaaa");
  EXPECT_TRUE(ReplaceText(data, "aaa", "bbbb", false, true));
  EXPECT_EQ(Text(data), "bbbbbbbbaa");
  data = Bytes("abababab..");
  EXPECT_TRUE(ReplaceText(data, "aba", "xyz", false, true));
  EXPECT_EQ(Text(data), "xyzbxyzb..");
}

TEST(ReplaceBytesTest, NothingToDoGivesFalse) {
  TBytesArray empty;
  EXPECT_FALSE(ReplaceText(empty, "abc", "x", true, true));
  TBytesArray data = Bytes("abcdefgh");
  EXPECT_FALSE(ReplaceText(data, "", "x", true, true));
  EXPECT_FALSE(ReplaceText(data, "xyz", "123", true, true));
  EXPECT_FALSE(ReplaceText(data, "abcdefgh", "1", true, true));
  EXPECT_EQ(Text(data), "abcdefgh");
}

TEST(ReplaceBytesTest, UnpaddedReplacementPastTheEndIsARangeError) {
  TBytesArray data = Bytes("....abc...");
  EXPECT_THROW(ReplaceText(data, "abc", "0123456789", false, true), ERangeError);
  EXPECT_EQ(Text(data), "....abc...");
}

TEST(ReplaceBytesTest, EmptyUnpaddedReplacementDoesNotStall) {
  TBytesArray data = Bytes("abcabcabc.....");
  EXPECT_TRUE(ReplaceText(data, "abc", "", false, true));
  EXPECT_EQ(Text(data), "abcabcabc.....");
}

TEST(ReplaceBytesTest, ShortPatternsAreMatchedWhole) {
  TBytesArray data = Bytes("xaxbxa....");
  EXPECT_TRUE(ReplaceText(data, "xa", "yy", false, true));
  EXPECT_EQ(Text(data), "yyxbyy....");
}

TEST(PadBytesTest, PadsOnlyShorterReplacements) {
  EXPECT_EQ(PadBytes(Bytes("abcd"), Bytes("x")), Bytes(std::string("x\0\0\0", 4)));
  EXPECT_EQ(PadBytes(Bytes("ab"), Bytes("xyz")), Bytes("xyz"));
  EXPECT_EQ(PadBytes(Bytes("ab"), TBytesArray()), TBytesArray(2, 0));
}

// ---- ReplaceKeyValue ----

// A packed texture property as the game stores it: the byte four positions before the key holds
// the length of key and value together.
std::string Property(const std::string& key, const std::string& value, int count = -1) {
  const int length = count < 0 ? static_cast<int>(key.size() + value.size()) : count;
  return std::string("\x01\x00\x0A\x00", 4) + std::string(1, static_cast<char>(length)) +
         std::string("\x00\x00\x10", 3) + key + value;
}

TEST(ReplaceKeyValueTest, ShorterValueIsPaddedWithZeros) {
  const std::string value30 = "vehicles/russian/R04_T34_AM.dd";
  ASSERT_EQ(value30.size(), 30u);
  TBytesArray data = Bytes("HEAD" + Property("diffuseMap", value30) + "TAIL");
  EXPECT_TRUE(ReplaceKeyValue(data, DiffuseKeys, "vehicles/tank_crash.dds", NoStrings, InsideMarks,
                              NoStrings, InsideMarks));
  const std::string written = "diffuseMapvehicles/tank_crash.dds";
  ASSERT_EQ(written.size(), 33u);
  EXPECT_EQ(Text(data), "HEAD" + Property("diffuseMap", "", 40).substr(0, 8) + written +
                            std::string(7, '\0') + "TAIL");
}

TEST(ReplaceKeyValueTest, LongerTextIsCutToTheStoredCount) {
  TBytesArray data = Bytes("HEAD" + Property("diffuseMap", "vehicles/a.dd", 20) + "....TAIL");
  ASSERT_EQ(data.size(), 4u + 8 + 10 + 13 + 8);
  EXPECT_TRUE(ReplaceKeyValue(data, DiffuseKeys, "vehicles/tank_crash.dds", NoStrings, NoStrings,
                              NoStrings, NoStrings));
  // Only the 20 counted bytes change; the rest of the old value stays.
  EXPECT_EQ(Text(data).substr(12, 20), "diffuseMapvehicles/t");
  EXPECT_EQ(Text(data).substr(32), ".dd....TAIL");
}

TEST(ReplaceKeyValueTest, InsideMarksExcludeOrSelectInsideTextures) {
  const std::string file = "HEAD" + Property("diffuseMap", "vehicles/german/G04/Hull_AM.dds") +
                           Property("diffuseMap", "vehicles/german/G04/Hull_inside_AM.dds") +
                           "TAIL";
  TBytesArray outer = Bytes(file);
  EXPECT_TRUE(
      ReplaceKeyValue(outer, DiffuseKeys, "X", NoStrings, InsideMarks, NoStrings, InsideMarks));
  EXPECT_EQ(Text(outer).find("Hull_AM.dds"), std::string::npos);
  EXPECT_NE(Text(outer).find("Hull_inside_AM.dds"), std::string::npos);

  TBytesArray inside = Bytes(file);
  EXPECT_TRUE(
      ReplaceKeyValue(inside, DiffuseKeys, "Y", InsideMarks, NoStrings, NoStrings, NoStrings));
  EXPECT_NE(Text(inside).find("Hull_AM.dds"), std::string::npos);
  EXPECT_EQ(Text(inside).find("Hull_inside_AM.dds"), std::string::npos);
  EXPECT_NE(Text(inside).find(std::string("diffuseMapY\0", 12)), std::string::npos);
}

TEST(ReplaceKeyValueTest, FolderListsTestTheValuesFolder) {
  const std::string file = "HEAD" + Property("diffuseMap", "vehicles/Inside_Parts/a.dds") +
                           Property("diffuseMap", "vehicles/outer/b.dds") + "TAIL";
  TBytesArray data = Bytes(file);
  EXPECT_TRUE(ReplaceKeyValue(data, DiffuseKeys, "Z", NoStrings, NoStrings,
                              MakeStrArray("\\inside_parts\\"), NoStrings));
  EXPECT_EQ(Text(data).find("Inside_Parts"), std::string::npos);
  EXPECT_NE(Text(data).find("outer/b.dds"), std::string::npos);
}

TEST(ReplaceKeyValueTest, SecondKeyOnlyWithItsList) {
  const std::string file = "HEAD" + Property("excludeMaskAndAOMap", "vehicles/x/Hull_AO.dds") +
                           Property("diffuseMap", "vehicles/x/Hull_AM.dds") + "TAIL";
  TBytesArray plain = Bytes(file);
  EXPECT_TRUE(
      ReplaceKeyValue(plain, DiffuseKeys, "v.dds", NoStrings, InsideMarks, NoStrings, InsideMarks));
  EXPECT_NE(Text(plain).find("Hull_AO.dds"), std::string::npos);
  TBytesArray shadows = Bytes(file);
  EXPECT_TRUE(ReplaceKeyValue(shadows, DiffuseAOKeys, "v.dds", NoStrings, InsideMarks, NoStrings,
                              InsideMarks));
  EXPECT_EQ(Text(shadows).find("Hull_AO.dds"), std::string::npos);
  EXPECT_NE(Text(shadows).find("excludeMaskAndAOMapv.dds"), std::string::npos);
}

TEST(ReplaceKeyValueTest, RangeErrors) {
  TBytesArray early = Bytes("xxdiffuseMapvehicles/a.dds......");
  EXPECT_THROW(ReplaceKeyValue(early, DiffuseKeys, "v", NoStrings, NoStrings, NoStrings, NoStrings),
               ERangeError);
  TBytesArray overlong = Bytes(Property("diffuseMap", "vehicles/a.dds", 200) + "....");
  EXPECT_THROW(
      ReplaceKeyValue(overlong, DiffuseKeys, "v", NoStrings, NoStrings, NoStrings, NoStrings),
      ERangeError);
}

TEST(ReplaceKeyValueTest, ZeroCountIsSkippedWithoutStalling) {
  TBytesArray data = Bytes(Property("diffuseMap", "vehicles/a.dds", 0) +
                           Property("diffuseMap", "vehicles/b.dds") + "....");
  EXPECT_TRUE(ReplaceKeyValue(data, DiffuseKeys, "vehicles/c.dds", NoStrings, NoStrings, NoStrings,
                              NoStrings));
  EXPECT_NE(Text(data).find("vehicles/a.dds"), std::string::npos);
  EXPECT_EQ(Text(data).find("vehicles/b.dds"), std::string::npos);
  TBytesArray only = Bytes(Property("diffuseMap", "vehicles/a.dds", 0) + "....");
  EXPECT_FALSE(ReplaceKeyValue(only, DiffuseKeys, "v", NoStrings, NoStrings, NoStrings, NoStrings));
}

TEST(ReplaceKeyValueTest, EmptyInputsChangeNothing) {
  TBytesArray data = Bytes(Property("diffuseMap", "vehicles/a.dds") + "....");
  const TBytesArray before = data;
  EXPECT_FALSE(ReplaceKeyValue(data, NoStrings, "v", NoStrings, NoStrings, NoStrings, NoStrings));
  EXPECT_FALSE(ReplaceKeyValue(data, DiffuseKeys, "", NoStrings, NoStrings, NoStrings, NoStrings));
  EXPECT_EQ(data, before);
}

// ---- Lists and Base64 ----

TEST(ListContainsTest, IgnoresCaseOnBothSides) {
  EXPECT_TRUE(ListContains(MakeStrArray("_INSIDE"), "hull_Inside_AM.dds"));
  EXPECT_TRUE(ListContains(MakeStrArray("x", "_inside"), "HULL_INSIDE_AM.DDS"));
  EXPECT_FALSE(ListContains(MakeStrArray("_inside"), "hull_AM.dds"));
  EXPECT_FALSE(ListContains(NoStrings, "anything"));
  EXPECT_FALSE(ListContains(InsideMarks, ""));
}

TEST(SharedListsTest, HoldTheirKeys) {
  EXPECT_TRUE(NoStrings.empty());
  EXPECT_EQ(DiffuseKeys, TStrArray{"diffuseMap"});
  EXPECT_EQ(DiffuseAOKeys, (TStrArray{"diffuseMap", "excludeMaskAndAOMap"}));
  EXPECT_EQ(InsideMarks, TStrArray{"_inside"});
}

TEST(MakeStrArrayTest, DropsEmptyItems) {
  EXPECT_EQ(MakeStrArray("a", "", "b"), (TStrArray{"a", "b"}));
  EXPECT_TRUE(MakeStrArray().empty());
  EXPECT_TRUE(MakeStrArray("").empty());
}

TEST(MakeKeyPatternsTest, AddsTheDecodedFormOfBase64Lengths) {
  EXPECT_EQ(MakeKeyPatterns("aGVsbG8h", "", "diffuseMap"),
            (TStrArray{"aGVsbG8h", "hello!", "diffuseMap"}));
}

TEST(Base64Test, IndexAndLengths) {
  EXPECT_EQ(Base64Index('A'), 0);
  EXPECT_EQ(Base64Index('z'), 51);
  EXPECT_EQ(Base64Index('0'), 52);
  EXPECT_EQ(Base64Index('+'), 62);
  EXPECT_EQ(Base64Index('/'), 63);
  EXPECT_EQ(Base64Index('='), 64);
  EXPECT_EQ(Base64Index('\0'), 64);
  EXPECT_EQ(Base64Index('-'), 64);
  EXPECT_TRUE(Base64ToBytes("0123456789").empty());
  EXPECT_EQ(Base64ToBytes("aGVsbG8h"), Bytes("hello!"));
  EXPECT_EQ(Base64ToBytes("aGVsbG8h").size(), 6u);
  EXPECT_TRUE(Base64ToBytes("").empty());
  // Padding takes part as 64: "aGk=" decodes to "hi" plus the bits of the '=' group.
  const TBytesArray padded = Base64ToBytes("aGk=");
  ASSERT_EQ(padded.size(), 3u);
  EXPECT_EQ(padded[0], 'h');
  EXPECT_EQ(padded[1], 'i');
  EXPECT_EQ(padded[2], static_cast<uint8_t>((36 << 6 | 64) & 0xFF));
}

// ---- Files and streams ----

TEST(BytesFileTest, RoundTripCreatesFolders) {
  test::TTempDir dir;
  const std::string path = dir.ProgramPath() + "a\\b\\c.bin";
  const TBytesArray bytes = {0, 1, 2, 255, 0};
  EXPECT_TRUE(BytesToFile(bytes, path));
  EXPECT_EQ(test::ReadBinary(dir.Native("a/b/c.bin")), bytes);
  EXPECT_EQ(FileToBytes(path), bytes);
  EXPECT_TRUE(BytesToFile({7}, path));
  EXPECT_EQ(FileToBytes(path), TBytesArray{7});
}

TEST(BytesFileTest, EmptyArrayLeavesAnEmptyFileAndFails) {
  test::TTempDir dir;
  test::WriteText(dir.Native("x.bin"), "old");
  EXPECT_FALSE(BytesToFile({}, dir.ProgramPath() + "x.bin"));
  EXPECT_EQ(std::filesystem::file_size(dir.Native("x.bin")), 0u);
}

TEST(BytesFileTest, FailuresAreReportedNotThrown) {
  test::TTempDir dir;
  test::WriteText(dir.Native("file"), "x");
  // A folder cannot be made below a file.
  EXPECT_FALSE(BytesToFile({1}, dir.ProgramPath() + "file\\sub\\y.bin"));
  EXPECT_TRUE(FileToBytes(dir.ProgramPath() + "missing.bin").empty());
}

TEST(StreamToBytesTest, ReadsFromTheStart) {
  TMemoryStream stream(Bytes("whole content"));
  stream.Seek(6);
  EXPECT_EQ(Text(StreamToBytes(stream)), "whole content");
  TMemoryStream empty;
  EXPECT_TRUE(StreamToBytes(empty).empty());
}

}  // namespace
}  // namespace pallograph
