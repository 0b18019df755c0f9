#include "texture/WorkerPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace pallograph {
namespace {

// Every part runs once, from the calling thread and from tasks that split their own loops at
// the same time (as the textures of a stage do), at any worker count; queued tasks still run
// when the pool goes.
TEST(WorkerPoolTest, EveryPartAndEveryTaskRunsOnce) {
  for (const unsigned workers : {1u, 2u, 3u, 8u}) {
    std::atomic<int> tasksRun{0};
    {
      TWorkerPool pool(workers);
      EXPECT_EQ(pool.Workers(), workers);
      for (const size_t count : {0u, 1u, 2u, 7u, 300u}) {
        std::vector<std::atomic<int>> hits(count);
        pool.ForEach(count, [&](size_t i) { ++hits[i]; });
        for (size_t i = 0; i < count; ++i) EXPECT_EQ(hits[i], 1) << workers << " " << i;
      }
      constexpr int kTasks = 6;
      std::vector<std::vector<std::atomic<int>>> taskHits(kTasks);
      std::mutex mutex;
      std::condition_variable ended;
      int endedTasks = 0;
      for (int t = 0; t < kTasks; ++t) {
        taskHits[t] = std::vector<std::atomic<int>>(50);
        pool.Post([&, t] {
          pool.ForEach(50, [&](size_t i) { ++taskHits[t][i]; });
          std::lock_guard lock(mutex);
          ++endedTasks;
          ended.notify_one();
        });
      }
      std::unique_lock lock(mutex);
      ended.wait(lock, [&] { return endedTasks == kTasks; });
      lock.unlock();
      for (const auto& hits : taskHits) {
        for (const auto& hit : hits) EXPECT_EQ(hit, 1) << workers;
      }
      for (int t = 0; t < 40; ++t) pool.Post([&] { ++tasksRun; });
    }
    EXPECT_EQ(tasksRun, 40) << workers;
  }
}

TEST(WorkerPoolTest, PartsExceptionReachesTheCallerAfterEveryPart) {
  TWorkerPool pool(3);
  std::atomic<int> run{0};
  EXPECT_THROW(pool.ForEach(64,
                            [&](size_t i) {
                              ++run;
                              if (i == 5) throw std::runtime_error("part 5");
                            }),
               std::runtime_error);
  EXPECT_EQ(run, 64);
}

}  // namespace
}  // namespace pallograph
