#include "platform/OwnerLock.h"

namespace pallograph {

TOwnerLock::TState TOwnerLock::Take(const std::string& path, std::unique_ptr<TOwnerLock>& lock) {
  return TakeFile(path, true, lock);
}

TOwnerLock::TState TOwnerLock::TakeExisting(const std::string& path,
                                            std::unique_ptr<TOwnerLock>& lock) {
  return TakeFile(path, false, lock);
}

}  // namespace pallograph
