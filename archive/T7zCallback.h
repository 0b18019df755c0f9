// Base of the callback objects the reader and writer hand to one library call. The callback
// forwards to its owner until the call returns; the library might keep a reference longer, so the
// owner detaches it then. No exception crosses into the library: a failure is kept in the owner's
// T7zCallbackError, the library is told to abort, and the owner raises the failure afterwards.
#pragma once

#include <exception>
#include <mutex>

#include "archive/SevenZipAbi.h"
#include "archive/T7zComObject.h"

namespace pallograph {

// The first failure inside the callbacks of a library call. Callbacks may run on the library's
// threads.
class T7zCallbackError {
 public:
  // Keeps the first failure; returns the code that makes the library abort.
  sevenzip::HRESULT Fail(std::exception_ptr error) noexcept {
    std::lock_guard<std::mutex> lock(lock_);
    if (!error_) error_ = std::move(error);
    return sevenzip::E_ABORT;
  }
  // Takes the kept failure (nullptr when there was none).
  std::exception_ptr Take() {
    std::lock_guard<std::mutex> lock(lock_);
    return std::exchange(error_, nullptr);
  }

 private:
  std::mutex lock_;
  std::exception_ptr error_;  // guarded by lock_
};

// `Owner` has a T7zCallbackError named callbackError_ and a Progress(bool isTotal, uint64_t)
// returning a result code, both reachable from this class.
template <class Derived, class Owner, class... Interfaces>
class T7zCallback : public T7zComObject<Derived, Interfaces...> {
 public:
  explicit T7zCallback(Owner* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

 protected:
  // Runs call(owner), turning an exception into the owner's kept failure.
  template <class Call>
  sevenzip::HRESULT Forward(Call&& call) noexcept {
    if (!owner_) return sevenzip::E_ABORT;
    try {
      return call(*owner_);
    } catch (...) {
      return owner_->callbackError_.Fail(std::current_exception());
    }
  }
  sevenzip::HRESULT ForwardProgress(bool isTotal, const uint64_t* value) noexcept {
    if (!value) return owner_ ? sevenzip::S_OK : sevenzip::E_ABORT;
    return Forward([&](Owner& owner) { return owner.Progress(isTotal, *value); });
  }

 private:
  Owner* owner_;
};

// Creates a callback for one library call and detaches it when the scope ends.
template <class Callback>
class T7zCallbackScope {
 public:
  template <class Owner>
  explicit T7zCallbackScope(Owner* owner) : callback_(MakeComObject<Callback>(owner)) {}
  ~T7zCallbackScope() { callback_->Detach(); }
  T7zCallbackScope(const T7zCallbackScope&) = delete;
  T7zCallbackScope& operator=(const T7zCallbackScope&) = delete;
  Callback* Get() const { return callback_.Get(); }

 private:
  T7zRef<Callback> callback_;
};

}  // namespace pallograph
