#include "online/ThreadSend.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

#include "online/FormPost.h"
#include "online/SharedWorker.h"

namespace pallograph {

struct TThreadSend::TState {
  std::shared_ptr<TTasksQueue> Queue;
  RFormPost Post;  // URL and user agent; the body is set per hit
  std::atomic<bool> Abandoned{false};
  std::mutex Mutex;
  std::condition_variable Changed;
  bool StopRequested = false;  // guarded by Mutex
  bool Finished = false;       // guarded by Mutex

  bool Stopping() {
    const std::lock_guard<std::mutex> lock(Mutex);
    return StopRequested;
  }
};

namespace {

using TState = TThreadSend::TState;

void SendHit(TState& state, const RHit& hit) {
  RFormPost post = state.Post;
  post.Body = EncodeFormBody(BuildHitParameters(hit));
  for (int attempt = 0; attempt < kSendTriesPerHit && !state.Abandoned; ++attempt) {
    if (PostForm(post, state.Abandoned)) return;
  }
}

void SenderLoop(TState& state) {
  while (!state.Abandoned) {
    const bool stopping = state.Stopping();
    if (stopping && state.Queue->Count() == 0) break;
    RHit hit;
    if (state.Queue->Pop(hit)) SendHit(state, hit);
    if (!stopping) {
      std::unique_lock<std::mutex> lock(state.Mutex);
      state.Changed.wait_for(lock, std::chrono::milliseconds(kSendPauseMs),
                             [&state] { return state.StopRequested; });
    }
  }
}

}  // namespace

TThreadSend::TThreadSend(std::shared_ptr<TTasksQueue> queue, std::string collectorUrl,
                         std::string userAgent)
    : state_(std::make_shared<TState>()) {
  state_->Queue = std::move(queue);
  state_->Post.URL = std::move(collectorUrl);
  state_->Post.UserAgent = std::move(userAgent);
  // A sender that fails loses its hits; nothing reaches the user.
  thread_ = StartSharedWorker(state_, [](TState& state) { SenderLoop(state); });
}

TThreadSend::~TThreadSend() { Stop(0); }

void TThreadSend::RequestStop() {
  const std::lock_guard<std::mutex> lock(state_->Mutex);
  state_->StopRequested = true;
  state_->Changed.notify_all();
}

bool TThreadSend::Stop(unsigned waitMs) {
  if (!thread_.joinable()) return true;
  RequestStop();
  bool finished;
  {
    std::unique_lock<std::mutex> lock(state_->Mutex);
    finished = state_->Changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                                        [this] { return state_->Finished; });
  }
  if (finished) {
    thread_.join();
  } else {
    state_->Abandoned = true;
    thread_.detach();
  }
  return finished;
}

}  // namespace pallograph
