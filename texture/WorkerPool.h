// The worker threads of one stage: they live from the stage's first texture to its last. Whole
// tasks (one texture each) run on the workers in the order posted; a loop split into parts with
// ForEach (the bands of one image level) runs on the calling thread and on every worker that has
// nothing else to do. A worker helps a split loop before it starts a new task, so the textures
// already begun end first and the number of textures in flight stays what the poster allows.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace pallograph {

class TWorkerPool {
 public:
  // Starts up to `workers` threads (at least one is asked for). A thread that cannot be started
  // ends the starting there; with none started, posted tasks run on the posting thread.
  explicit TWorkerPool(unsigned workers);
  // Runs the tasks still queued, then stops and joins the workers.
  ~TWorkerPool();
  TWorkerPool(const TWorkerPool&) = delete;
  TWorkerPool& operator=(const TWorkerPool&) = delete;

  // Threads running.
  unsigned Workers() const { return static_cast<unsigned>(threads_.size()); }

  // Queues a task for the next free worker. The task reports its result through its own data;
  // it must not throw (an exception it lets out is dropped, it never leaves the worker). Any
  // thread.
  void Post(std::function<void()> task);

  // Runs part(0) ... part(count - 1), each once, on the calling thread and on idle workers, and
  // returns when all have run. The first exception a part throws is thrown here after that.
  // Parts must not wait for each other. Any thread, pool workers included.
  void ForEach(size_t count, const std::function<void(size_t)>& part);

  // For a thread that waits for a result another thread is producing on the workers: runs parts
  // of open split loops until `ready()` is true, which is asked whenever there is nothing to help
  // with and at least every millisecond. `ready` must not use the pool. Any thread.
  void HelpUntil(const std::function<bool()>& ready);

 private:
  // One split loop. Guarded by mutex_ except for the part counters.
  struct TSplit {
    const std::function<void(size_t)>* Part = nullptr;
    size_t Count = 0;
    size_t Next = 0;           // next part to hand out; guarded by mutex_
    size_t Helpers = 0;        // workers inside the loop; guarded by mutex_
    std::exception_ptr Error;  // guarded by mutex_
  };

  void WorkerLoop() noexcept;
  // Runs parts of `split` until none is left to hand out. Called and returns with `lock` held.
  void RunParts(TSplit& split, std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable workAvailable_;  // a task was posted, a split opened, or stop
  // A split opened: wakes the threads in HelpUntil, which take no tasks (a posted task's wake
  // goes to a worker that does).
  std::condition_variable splitOpened_;
  std::condition_variable helperLeft_;       // a helper left a split loop
  std::deque<std::function<void()>> tasks_;  // guarded by mutex_
  std::list<TSplit*> splits_;                // open split loops with parts left; guarded by mutex_
  bool stop_ = false;                        // guarded by mutex_
  std::vector<std::thread> threads_;
};

}  // namespace pallograph
