#include "texture/ParallelEncoder.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/System.h"
#include "platform/ThreadPlacement.h"
#include "texture/AlphaFit.h"
#include "texture/BlockEncoder.h"
#include "texture/ColorFit.h"
#include "texture/Simd.h"

namespace pallograph {
namespace {

constexpr auto kPoll = std::chrono::milliseconds(1);
// A waiting worker is woken when this many jobs are queued (or the level is done): waking it for
// every first job would hand out batches of one.
constexpr uint32_t kWakeBatch = 32;
// Tries for the queue lock before waiting for it in the system.
constexpr int kLockSpins = 1000;

// A queued fit: the block's ColorSet (colour job) or two zero words and the 16 pixels (alpha
// job; the zero colour count tells the two apart), then the 8-byte half it fills.
struct DXTWorkItem {
  alignas(4) uint8_t Payload[216];
  uint8_t* Output;
};

// The process's one job queue. The job lock is held for a whole multi-threaded level encode;
// the queue lock guards everything below it. Lock order: job lock, then queue lock. Whole cache
// lines of its own, so that the counters the producer writes for every job share no line with
// the statics the block fits read for every block.
struct alignas(64) TDxtMTGlobalArray {
  std::mutex JobLock;
  std::mutex QueueLock;
  // Idle waits are 1 ms polls that also wake as soon as the state they wait for changes.
  std::condition_variable JobsQueued;      // a batch is queued, or jobs are left after a take
  std::condition_variable WorkerFinished;  // a worker finished
  std::array<DXTWorkItem, kQueueSlots> Items;
  uint32_t Count = 0;
  bool Terminate = false;
  uint32_t Running = 0;
  std::vector<std::thread> Threads;
};

TDxtMTGlobalArray& GlobalArray() {
  static TDxtMTGlobalArray instance;
  return instance;
}

std::atomic<unsigned> gCPUCountOverride{0};

// Takes the queue lock, trying a while before waiting for it in the system (what a spin count
// gives a Windows critical section): the lock is held only for copies of a few microseconds, and
// a wait in the system costs the waiter a sleep and the holder a wake call each time.
std::unique_lock<std::mutex> LockQueue(std::mutex& lock) {
  for (int i = 0; i < kLockSpins; ++i) {
    if (lock.try_lock()) return std::unique_lock(lock, std::adopt_lock);
    SpinPause();
  }
  return std::unique_lock(lock);
}

// Takes this worker's share of the queued jobs: all of them divided by the workers still
// running, rounded up, so that a full queue is spread over the workers instead of going to the
// first one that looks. Each job fills its own output half, so which worker takes which job does
// not change the bytes.
int TakeAllJobs(TDxtMTGlobalArray& queue, DXTWorkItem* items) {
  std::unique_lock lock = LockQueue(queue.QueueLock);
  if (queue.Count == 0) {
    if (queue.Terminate) return -1;
    queue.JobsQueued.wait_for(lock, kPoll);
    return 0;
  }
  const uint32_t workers = queue.Running > 0 ? queue.Running : 1;
  const uint32_t taken = (queue.Count + workers - 1) / workers;
  queue.Count -= taken;
  std::memcpy(items, queue.Items.data() + queue.Count, sizeof(DXTWorkItem) * taken);
  if (queue.Count > 0) queue.JobsQueued.notify_one();
  return static_cast<int>(taken);
}

void RunJob(const DXTWorkItem& item) {
  uint32_t colorCount;
  std::memcpy(&colorCount, item.Payload + 4, 4);
  if (colorCount != 0) {
    ColorSet set;
    std::memcpy(&set, item.Payload, sizeof(set));
    FitColorBlock(item.Output, set);
  } else {
    EncodeAlphaBlock(item.Output, item.Payload + 8);
  }
}

// The private array lives on the thread's own stack (57 KB): a worker makes no allocation that
// could fail inside a thread that must not throw.
void WorkerProc(TDxtMTGlobalArray& queue) noexcept {
  std::array<DXTWorkItem, kQueueSlots> items;
  for (;;) {
    const int taken = TakeAllJobs(queue, items.data());
    if (taken < 0) break;
    for (int i = 0; i < taken; ++i) RunJob(items[i]);
  }
  std::lock_guard lock(queue.QueueLock);
  --queue.Running;
  queue.WorkerFinished.notify_all();
}

void StopWorkers(TDxtMTGlobalArray& queue) {
  std::unique_lock lock(queue.QueueLock);
  queue.Terminate = true;
  queue.JobsQueued.notify_all();
  while (queue.Running != 0) queue.WorkerFinished.wait_for(lock, kPoll);
  lock.unlock();
  for (std::thread& thread : queue.Threads) thread.join();
  lock.lock();
  queue.Threads.clear();
  queue.Terminate = false;
}

void StartWorkers(TDxtMTGlobalArray& queue, unsigned n) {
  {
    std::lock_guard lock(queue.QueueLock);
    queue.Running = n;
    queue.Threads.reserve(n);
  }
  for (unsigned i = 0; i < n; ++i) {
    try {
      queue.Threads.emplace_back(WorkerProc, std::ref(queue));
      // Processor 0 is left to the calling thread, which fits blocks too.
      if (n + 1 == CPUCount()) PreferProcessor(queue.Threads.back(), i + 1);
    } catch (...) {
      {
        std::lock_guard lock(queue.QueueLock);
        queue.Running -= n - i;
      }
      StopWorkers(queue);
      throw;
    }
  }
}

// Stores one job, its payload written straight into its slot by `fill`.
template <class TFill>
void QueueJob(uint8_t* output, TFill fill) {
  TDxtMTGlobalArray& queue = GlobalArray();
  std::unique_lock lock = LockQueue(queue.QueueLock);
  // A full queue means the workers are behind: rather than wait for room, the producer does the
  // newest job itself (its output half is its own, so the bytes are the same).
  while (queue.Count == kQueueSlots) {
    const DXTWorkItem job = queue.Items[--queue.Count];
    lock.unlock();
    RunJob(job);
    lock = LockQueue(queue.QueueLock);
  }
  DXTWorkItem& item = queue.Items[queue.Count];
  fill(item.Payload);
  item.Output = output;
  if (++queue.Count == kWakeBatch) queue.JobsQueued.notify_one();
}

// Stops the workers however the level encode ends.
class TWorkerScope {
 public:
  TWorkerScope(TDxtMTGlobalArray& queue, unsigned n) : queue_(queue) { StartWorkers(queue_, n); }
  ~TWorkerScope() { StopWorkers(queue_); }
  TWorkerScope(const TWorkerScope&) = delete;
  TWorkerScope& operator=(const TWorkerScope&) = delete;

 private:
  TDxtMTGlobalArray& queue_;
};

}  // namespace

unsigned CPUCount() {
  const unsigned override = gCPUCountOverride.load(std::memory_order_relaxed);
  if (override != 0) return override;
  static const unsigned count = ProcessorCount();
  return count;
}

void OverrideCPUCount(unsigned count) { gCPUCountOverride.store(count, std::memory_order_relaxed); }

void QueueColorJob(uint8_t* output, const ColorSet& set) {
  QueueJob(output, [&set](uint8_t* payload) { std::memcpy(payload, &set, sizeof(set)); });
}

void QueueAlphaJob(uint8_t* output, const uint8_t* pixels) {
  QueueJob(output, [pixels](uint8_t* payload) {
    std::memset(payload, 0, 8);
    std::memcpy(payload + 8, pixels, 64);
    std::memset(payload + 72, 0, sizeof(DXTWorkItem::Payload) - 72);
  });
}

void EncodeDXTImageMT(uint8_t* dst, bool dxt1, int width, TBlockReader reader,
                      const TBitmap& bitmap, int height, bool ignoreAlpha) {
  const uint8_t flags =
      static_cast<uint8_t>((dxt1 ? kDxtFlagDxt1 : 0) | (ignoreAlpha ? kDxtFlagIgnoreAlpha : 0));
  const int64_t blocks = static_cast<int64_t>((width + 3) >> 2) * ((height + 3) >> 2);
  const unsigned cpus = CPUCount();
  if (cpus == 1 || blocks <= kMinBlocksForWorkers) {
    EncodeDXTImage(dst, flags, width, reader, bitmap, height);
    return;
  }
  TDxtMTGlobalArray& queue = GlobalArray();
  std::lock_guard jobLock(queue.JobLock);
  // The calling thread is a fitting thread too (it runs jobs whenever the queue is full), so one
  // worker per further processor keeps exactly one busy thread per processor: a worker for
  // every processor as well would leave three threads sharing two processors, and the time the
  // system slices between them costs more than the producer's walk.
  TWorkerScope workers(queue, cpus - 1);
  EncodeDXTImage(dst, static_cast<uint8_t>(flags | kDxtFlagQueue), width, reader, bitmap, height);
}

}  // namespace pallograph
