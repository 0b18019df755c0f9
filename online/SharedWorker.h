// A worker thread that shares its state with its owner: the state lives as long as either side
// holds it, so an owner may leave a worker that is still busy (detach it) without the worker ever
// touching released memory.
#pragma once

#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace pallograph {

// Runs body(*state) on a new thread. No exception leaves the thread: one thrown by the body ends
// it as if the body had returned. Afterwards the thread sets state->Finished under state->Mutex
// and notifies state->Changed. TState needs those three members.
template <class TState, class TBody>
std::thread StartSharedWorker(std::shared_ptr<TState> state, TBody body) {
  return std::thread([state = std::move(state), body = std::move(body)] {
    try {
      body(*state);
    } catch (...) {
      // The worker's failures are not reported beyond what it already did.
    }
    const std::lock_guard<std::mutex> lock(state->Mutex);
    state->Finished = true;
    state->Changed.notify_all();
  });
}

}  // namespace pallograph
