#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/MainThreadQueue.h"
#include "platform/Stream.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

using test::TTempDir;

TEST(FileSystemTest, FolderIsEmptyWhenNoFileLiesBelowIt) {
  TTempDir dir;
  const std::string root = dir.ProgramPath();
  EXPECT_TRUE(FolderIsEmpty(root));
  ASSERT_TRUE(ForceDirectories(root + "res\\spaces\\01_karelia\\"));
  EXPECT_TRUE(FolderIsEmpty(root));  // a tree of empty folders holds nothing to pack
  test::WriteText(dir.Native("res/spaces/01_karelia/space.bin"), "x");
  EXPECT_FALSE(FolderIsEmpty(root));
  EXPECT_TRUE(FolderIsEmpty(root + "missing\\"));
}

TEST(FileSystemTest, DeleteFolderTreeRemovesEverything) {
  TTempDir dir;
  const std::string root = dir.ProgramPath() + "tree\\";
  ASSERT_TRUE(ForceDirectories(root + "a\\b\\"));
  test::WriteText(dir.Native("tree/a/b/f.txt"), "x");
  test::WriteText(dir.Native("tree/g.txt"), "y");
  DeleteFolderTree(root);
  EXPECT_FALSE(std::filesystem::exists(dir.Native("tree")));
}

TEST(FileSystemTest, ListingStopsAtItsLimitAndLinksResolveToOnePath) {
  TTempDir dir;
  const std::string root = dir.ProgramPath();
  for (const char* name : {"a", "b", "c", "d", "e"}) test::WriteText(dir.Native(name), name);
  bool ok = false;
  EXPECT_EQ(ListDirectory(root, &ok, 2).size(), 2u);
  EXPECT_TRUE(ok);
  EXPECT_EQ(ListDirectory(root, &ok).size(), 5u);
  std::filesystem::create_directories(dir.Native("real/inner"));
  std::filesystem::create_directory_symlink(dir.Native("real"), dir.Native("link"));
  EXPECT_EQ(CanonicalPath(root + "link\\inner\\"), CanonicalPath(root + "real\\inner\\"));
  EXPECT_EQ(CanonicalPath(root + "link\\..\\real"), CanonicalPath(root + "real"));
  EXPECT_EQ(CanonicalPath(root + "missing\\x"), root + "missing\\x");
}

TEST(FileSystemTest, WriteFileAtomicReplacesWholeFileOrNothing) {
  TTempDir dir;
  const std::string path = dir.ProgramPath() + "cfg.txt";
  ASSERT_TRUE(WriteFileAtomic(path, "first", 5));
  ASSERT_TRUE(WriteFileAtomic(path, "second!", 7));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "second!");
  EXPECT_EQ(ListDirectory(dir.ProgramPath()).size(), 1u);  // no temporary file left
  EXPECT_FALSE(WriteFileAtomic(dir.ProgramPath() + "no\\such\\folder\\x", "z", 1));
  EXPECT_EQ(GetFileSizeSafe(path), 7);
  EXPECT_EQ(GetFileSizeSafe(dir.ProgramPath() + "missing"), -1);
}

TEST(StreamTest, MemoryStreamReadsWritesAndResizes) {
  TMemoryStream stream;
  EXPECT_EQ(stream.Write("abcdef", 6), 6u);
  EXPECT_TRUE(stream.Seek(2));
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 4u);
  EXPECT_EQ(std::string(buffer, 4), "cdef");
  EXPECT_TRUE(stream.SetSize(3));
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(stream.Read(buffer, 1), 0u);
}

// The main thread serves between waits of a minute: a queued call and a worker's Wake() each end
// the wait at once, so the test ends in moments.
TEST(MainThreadQueueTest, WorkersCallsRunOnTheServingThreadInOrderPerWorker) {
  TMainThreadQueue queue;
  const auto start = std::chrono::steady_clock::now();
  const std::thread::id main_id = std::this_thread::get_id();
  std::atomic<int> wrong_thread{0};
  std::vector<int> seen;  // touched by the main thread only
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([&, w] {
      for (int i = 0; i < 25; ++i) {
        queue.Synchronize([&, w, i] {
          if (std::this_thread::get_id() != main_id) ++wrong_thread;
          seen.push_back(w * 100 + i);
        });
      }
      ++finished;
      queue.Wake();
    });
  }
  while (finished < 4) {
    queue.WaitForCall(60000);
    queue.CheckSynchronize();
  }
  for (std::thread& t : workers) t.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(wrong_thread, 0);
  ASSERT_EQ(seen.size(), 100u);
  for (int w = 0; w < 4; ++w) {
    int last = -1;
    for (int v : seen) {
      if (v / 100 == w) {
        EXPECT_GT(v % 100, last);
        last = v % 100;
      }
    }
  }
}

TEST(MainThreadQueueTest, ExceptionOfACallReachesTheWorker) {
  TMainThreadQueue queue;
  std::atomic<bool> caught{false}, done{false};
  std::thread worker([&] {
    try {
      queue.Synchronize([] { throw std::runtime_error("disk full"); });
    } catch (const std::runtime_error& e) {
      caught = std::string(e.what()) == "disk full";
    }
    done = true;
  });
  while (!done) queue.CheckSynchronize();
  worker.join();
  EXPECT_TRUE(caught);
}

}  // namespace
}  // namespace pallograph
