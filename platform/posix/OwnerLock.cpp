#include "platform/OwnerLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/NativePath.h"

namespace pallograph {

struct TOwnerLock::THandle {
  int Fd = -1;
  explicit THandle(int fd) : Fd(fd) {}
  ~THandle() { ::close(Fd); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
};

TOwnerLock::TOwnerLock(std::string path, std::unique_ptr<THandle> handle)
    : path_(std::move(path)), handle_(std::move(handle)) {}

TOwnerLock::~TOwnerLock() {
  // Unlinked before the claim drops: a process that opened the old file and takes it afterwards
  // sees that the file it holds is no longer the one at the path, and tries again.
  ::unlink(ToNativePath(path_).c_str());
}

TOwnerLock::TState TOwnerLock::TakeFile(const std::string& path, bool create,
                                        std::unique_ptr<TOwnerLock>& lock) {
  const std::string native = ToNativePath(path);
  // A few rounds: the owner may delete the file between our open and our claim.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
    const int fd = ::open(native.c_str(), flags, 0644);
    if (fd < 0) return TState::Failed;
    auto handle = std::make_unique<THandle>(fd);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      return errno == EWOULDBLOCK ? TState::Held : TState::Failed;
    }
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) == 0 && ::lstat(native.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      // The owner's process id, for a person who finds the file; the claim does not depend on it.
      const std::string pid = std::to_string(::getpid()) + "\n";
      [[maybe_unused]] const bool noted =
          ::ftruncate(fd, 0) == 0 && ::write(fd, pid.data(), pid.size()) > 0;
      lock = std::make_unique<TOwnerLock>(path, std::move(handle));
      return TState::Taken;
    }
    if (!create) return TState::Failed;
  }
  return TState::Failed;
}

}  // namespace pallograph
