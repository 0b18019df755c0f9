#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

#include "archive/SevenZip.h"
#include "platform/FileSystem.h"
#include "platform/Stream.h"
#include "tests/archive/ArchiveFixtures.h"

namespace pallograph {
namespace {

using test::TZipFixtures;

std::vector<uint8_t> SourceBytes(const std::string& name) {
  return test::ReadBinary(TZipFixtures::Get().Native("src/" + name));
}

// Item path (program form) -> index.
std::map<std::string, uint32_t> Listing(T7zInArchive& reader) {
  std::map<std::string, uint32_t> items;
  for (uint32_t i = 0; i < reader.ItemCount(); ++i) items[reader.ItemPath(i)] = i;
  return items;
}

class T7zInArchiveTest : public ::testing::Test {
 protected:
  const TZipFixtures& fixtures_ = TZipFixtures::Get();
  T7zRef<T7zInArchive> reader_ = CreateReader(test::LibraryPath());
};

TEST_F(T7zInArchiveTest, ListsPathsFolderFlagsAndSizesWithBackslashes) {
  reader_->OpenArchiveFile(fixtures_.Program("stored.zip"));
  ASSERT_EQ(reader_->ItemCount(), fixtures_.Manifest().size());
  const auto items = Listing(*reader_);
  for (const test::TManifestEntry& entry : fixtures_.Manifest()) {
    const std::string path = test::ToBackslashes(entry.Name);
    ASSERT_TRUE(items.count(path)) << path;
    const uint32_t index = items.at(path);
    EXPECT_EQ(reader_->ItemIsFolder(index), entry.IsFolder) << path;
    EXPECT_EQ(reader_->ItemSize(index), entry.Size) << path;
  }
  EXPECT_TRUE(items.count("vehicles\\russian\\R11_MS-1\\crash\\lod0\\Hull.visual_processed"));
  EXPECT_TRUE(items.count("mem\\ünï-日本-😀.bin"));  // surrogate pair decoded
  EXPECT_EQ(reader_->ItemName(items.at("text\\readme.txt")), "readme.txt");
}

TEST_F(T7zInArchiveTest, ExtractsStoredAndDeflatedItemsByteEqual) {
  for (const char* zip : {"stored.zip", "deflated.zip"}) {
    reader_->OpenArchiveFile(fixtures_.Program(zip));
    int files = 0;
    for (uint32_t i = 0; i < reader_->ItemCount(); ++i) {
      if (reader_->ItemIsFolder(i)) continue;
      TMemoryStream stream;
      reader_->ExtractItemToStream(i, stream);
      std::string name = reader_->ItemPath(i);
      for (char& c : name) c = c == '\\' ? '/' : c;
      EXPECT_EQ(stream.Data(), SourceBytes(name)) << zip << ": " << name;
      ++files;
    }
    EXPECT_EQ(files, 5) << zip;
    reader_->Close();
  }
}

TEST_F(T7zInArchiveTest, TestModeWritesNothing) {
  reader_->OpenArchiveFile(fixtures_.Program("deflated.zip"));
  TMemoryStream stream;
  for (uint32_t i = 0; i < reader_->ItemCount(); ++i) reader_->ExtractItemToStream(i, stream, true);
  EXPECT_EQ(stream.Size(), 0);
}

TEST_F(T7zInArchiveTest, NameWithoutUtf8FlagIsReadAsUtf8) {
  reader_->OpenArchiveFile(fixtures_.Program("noflag.zip"));
  ASSERT_EQ(reader_->ItemCount(), 1u);
  EXPECT_EQ(reader_->ItemPath(0), "café-ü.txt");
}

TEST_F(T7zInArchiveTest, ExtractSelectedAndEachUseTheCallbackStreams) {
  reader_->OpenArchiveFile(fixtures_.Program("deflated.zip"));
  const auto items = Listing(*reader_);
  std::map<uint32_t, TMemoryStream> streams;
  auto give = [&](uint32_t index, TStream*& stream) {
    stream = &streams[index];
    return sevenzip::S_OK;
  };
  const uint32_t readme = items.at("text\\readme.txt");
  const uint32_t dds = items.at("vehicles\\russian\\Camouflage\\gift_camouflage.dds");
  reader_->ExtractSelected({dds, readme, dds}, false, give);
  ASSERT_EQ(streams.size(), 2u);
  EXPECT_EQ(streams[readme].Data(), SourceBytes("text/readme.txt"));
  EXPECT_EQ(streams[dds].Data(), SourceBytes("vehicles/russian/Camouflage/gift_camouflage.dds"));

  streams.clear();
  reader_->ExtractEach(false, give);
  EXPECT_EQ(streams.size(), reader_->ItemCount());

  // A failure code from the callback stops the extraction and is raised.
  EXPECT_THROW(reader_->ExtractEach(false, [](uint32_t, TStream*&) { return sevenzip::E_ABORT; }),
               ESevenZipError);
}

TEST_F(T7zInArchiveTest, ExtractAllToFolderWritesTheTree) {
  test::TTempDir out;
  reader_->OpenArchiveFile(fixtures_.Program("stored.zip"));
  reader_->ExtractAllToFolder(out.ProgramPath() + "x");
  for (const test::TManifestEntry& entry : fixtures_.Manifest()) {
    const std::string path = out.Native("x/" + entry.Name);
    if (entry.IsFolder) {
      EXPECT_TRUE(DirectoryExists(FromNativePath(path))) << path;
    } else {
      EXPECT_EQ(test::ReadBinary(path), SourceBytes(entry.Name)) << path;
    }
  }
}

TEST_F(T7zInArchiveTest, ExtractAllToFolderRefusesNamesOutsideTheFolder) {
  test::TTempDir out;
  reader_->OpenArchiveFile(fixtures_.Program("unsafe.zip"));
  // The names are reported as they are; callers decide.
  const auto items = Listing(*reader_);
  EXPECT_TRUE(items.count("..\\evil.txt"));
  try {
    reader_->ExtractAllToFolder(out.ProgramPath() + "inner");
    FAIL() << "no exception";
  } catch (const ESevenZipError& e) {
    EXPECT_NE(std::string(e.what()).find("evil"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(PathExists(FromNativePath(out.Native("evil.txt"))));
  EXPECT_FALSE(PathExists(FromNativePath(out.Native("evil2.txt"))));
  EXPECT_FALSE(PathExists(FromNativePath(out.Native("inner/good.txt"))));
}

TEST_F(T7zInArchiveTest, CorruptDataRaisesOnExtraction) {
  test::TTempDir dir;
  std::vector<uint8_t> bytes = test::ReadBinary(fixtures_.Native("stored.zip"));
  // Damage the middle of the largest stored entry's data.
  const std::vector<uint8_t> dds = SourceBytes("vehicles/russian/Camouflage/gift_camouflage.dds");
  const auto at = std::search(bytes.begin(), bytes.end(), dds.begin(), dds.begin() + 64);
  ASSERT_NE(at, bytes.end());
  at[10000] ^= 0xFF;
  test::WriteBinary(dir.Native("corrupt.zip"), bytes);
  reader_->OpenArchiveFile(FromNativePath(dir.Native("corrupt.zip")));
  const uint32_t index = Listing(*reader_).at("vehicles\\russian\\Camouflage\\gift_camouflage.dds");
  TMemoryStream stream;
  try {
    reader_->ExtractItemToStream(index, stream);
    FAIL() << "no exception";
  } catch (const ESevenZipError& e) {
    EXPECT_STREQ(e.what(),
                 "Extracting \"vehicles\\russian\\Camouflage\\gift_camouflage.dds\" failed: "
                 "CRC failed");
  }
  EXPECT_THROW(reader_->ExtractItemToStream(index, stream, true), ESevenZipError);
}

TEST_F(T7zInArchiveTest, TruncatedNonZipAndMissingFilesRaise) {
  test::TTempDir dir;
  std::vector<uint8_t> bytes = test::ReadBinary(fixtures_.Native("stored.zip"));
  bytes.resize(bytes.size() / 2);
  test::WriteBinary(dir.Native("truncated.zip"), bytes);
  test::WriteText(dir.Native("text.zip"), std::string(5000, 'x'));
  for (const char* name : {"truncated.zip", "text.zip", "missing.zip"}) {
    EXPECT_THROW(reader_->OpenArchiveFile(FromNativePath(dir.Native(name))), Exception) << name;
    EXPECT_THROW(reader_->ItemCount(), ESevenZipError) << name;
  }
  try {
    reader_->OpenArchiveFile(FromNativePath(dir.Native("text.zip")));
  } catch (const ESevenZipError& e) {
    EXPECT_EQ(e.Code(), sevenzip::S_FALSE);
    EXPECT_STREQ(e.what(), "The file is not a zip package");
  }
  // The reader stays usable after failures.
  reader_->OpenArchiveFile(fixtures_.Program("stored.zip"));
  EXPECT_EQ(reader_->ItemCount(), fixtures_.Manifest().size());
}

TEST_F(T7zInArchiveTest, IndexOutOfRangeRaisesRangeError) {
  reader_->OpenArchiveFile(fixtures_.Program("stored.zip"));
  const uint32_t count = reader_->ItemCount();
  TMemoryStream stream;
  EXPECT_THROW(reader_->ItemPath(count), ERangeError);
  EXPECT_THROW(reader_->ItemSize(count), ERangeError);
  EXPECT_THROW(reader_->ExtractItemToStream(count, stream), ERangeError);
}

TEST_F(T7zInArchiveTest, OpensAnArchiveFromAProgramStream) {
  TMemoryStream source(test::ReadBinary(fixtures_.Native("deflated.zip")));
  reader_->OpenArchiveStream(source);
  const uint32_t index = Listing(*reader_).at("text\\readme.txt");
  TMemoryStream out;
  reader_->ExtractItemToStream(index, out);
  EXPECT_EQ(out.Data(), SourceBytes("text/readme.txt"));
}

TEST(T7zInArchiveThreads, SeveralReadersOnSeveralThreadsAtOnce) {
  const TZipFixtures& fixtures = TZipFixtures::Get();
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      try {
        const char* zip = t % 2 ? "stored.zip" : "deflated.zip";
        for (int round = 0; round < 10; ++round) {
          auto reader = CreateReader(test::LibraryPath());
          reader->OpenArchiveFile(fixtures.Program(zip));
          for (uint32_t i = 0; i < reader->ItemCount(); ++i) {
            if (reader->ItemIsFolder(i)) continue;
            TMemoryStream stream;
            reader->ExtractItemToStream(i, stream);
            if (stream.Size() != static_cast<int64_t>(reader->ItemSize(i))) ++failures;
          }
          reader->Close();
        }
      } catch (...) {
        ++failures;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace pallograph
