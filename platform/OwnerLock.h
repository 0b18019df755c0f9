// An exclusive claim on a lock file, held by one process at a time. The system drops the claim
// when the owning process ends, however it ends, so a lock file left behind by a killed run is
// recognised as stale: the next run can take it. One implementation per platform.
#pragma once

#include <memory>
#include <string>

namespace pallograph {

class TOwnerLock {
 public:
  enum class TState {
    Taken,   // this process owns the lock now
    Held,    // another running process owns it
    Failed,  // the file cannot be created or opened (missing folder, no access, absent file)
  };

  // Creates the lock file when it is missing and takes it. `lock` is set only when Taken.
  static TState Take(const std::string& path, std::unique_ptr<TOwnerLock>& lock);
  // Takes an existing lock file and never creates one: Taken means its owner is gone.
  static TState TakeExisting(const std::string& path, std::unique_ptr<TOwnerLock>& lock);

  // Deletes the lock file, then drops the claim.
  ~TOwnerLock();
  TOwnerLock(const TOwnerLock&) = delete;
  TOwnerLock& operator=(const TOwnerLock&) = delete;

  const std::string& Path() const { return path_; }

  // The system's handle of a taken lock; only this unit's implementation makes one.
  struct THandle;
  TOwnerLock(std::string path, std::unique_ptr<THandle> handle);

 private:
  static TState TakeFile(const std::string& path, bool create, std::unique_ptr<TOwnerLock>& lock);

  std::string path_;
  std::unique_ptr<THandle> handle_;
};

}  // namespace pallograph
