#include "platform/System.h"

#include <pwd.h>
#include <sched.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "platform/CpuLimit.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"

namespace pallograph {

namespace {

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text, '\0');
  return text;
}

// The CPUs a cgroup quota leaves this process; 0 when none applies or none can be read.
unsigned CgroupCpuLimit() {
  const std::string cgroups = ReadSmallFile("/proc/self/cgroup");
  const std::string_view v2 = CgroupV2Path(cgroups);
  if (!v2.empty()) {
    if (const unsigned cpus =
            CpusFromCpuMax(ReadSmallFile("/sys/fs/cgroup" + std::string(v2) + "/cpu.max"))) {
      return cpus;
    }
  }
  return CpusFromCfsQuota(ReadSmallFile("/sys/fs/cgroup/cpu/cpu.cfs_quota_us"),
                          ReadSmallFile("/sys/fs/cgroup/cpu/cpu.cfs_period_us"));
}

}  // namespace

unsigned ProcessorCount() {
  // The processors this process may run on (its affinity mask), capped by its cgroup quota: a
  // container or `taskset` may allow far fewer than the host has.
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  unsigned count = online > 0 ? static_cast<unsigned>(online) : 1u;
  cpu_set_t mask;
  CPU_ZERO(&mask);
  if (sched_getaffinity(0, sizeof(mask), &mask) == 0) {
    const int allowed = CPU_COUNT(&mask);
    if (allowed > 0) count = static_cast<unsigned>(allowed);
  }
  const unsigned quota = CgroupCpuLimit();
  if (quota > 0 && quota < count) count = quota;
  return count > 0 ? count : 1u;
}

std::string ProgramFolder() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return IncludeTrailingBackslash(FromNativePath("."));
  return ExtractFilePath(FromNativePath(std::string(buffer, static_cast<size_t>(n))));
}

std::string TempFolder() {
  std::string folder = GetEnvironmentText("TMPDIR");
  if (folder.empty()) folder = "/tmp";
  return IncludeTrailingBackslash(FromNativePath(folder));
}

std::string NewGuidText() {
  static thread_local std::mt19937_64 engine(
      std::random_device{}() ^
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  const uint64_t a = engine();
  const uint64_t b = engine();
  char text[40];
  snprintf(text, sizeof(text), "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(a >> 32),
           static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>((a & 0x0FFF) | 0x4000),
           static_cast<unsigned>(((b >> 48) & 0x3FFF) | 0x8000),
           static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
  return text;
}

namespace {

// The home folder in the system's form: $HOME, else the password database's entry of the user
// (a process started with an empty environment has no HOME); "" when neither is known.
std::string NativeHomeFolder() {
  std::string home = GetEnvironmentText("HOME");
  if (!home.empty()) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir) {
    home = found->pw_dir;
  }
  return home;
}

// An XDG base folder: the variable's value, else the home folder + `fallback`; "" when neither
// is known.
std::string XdgFolder(const char* variable, const char* fallback) {
  std::string folder = GetEnvironmentText(variable);
  if (folder.empty()) {
    const std::string home = NativeHomeFolder();
    if (home.empty()) return {};
    folder = home + fallback;
  }
  return ExcludeTrailingBackslash(FromNativePath(folder));
}

}  // namespace

std::string AppDataFolder() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }

std::string UserStateFolder() { return XdgFolder("XDG_STATE_HOME", "/.local/state"); }

std::string HomeFolder() {
  const std::string home = NativeHomeFolder();
  return home.empty() ? home : ExcludeTrailingBackslash(FromNativePath(home));
}

std::string UserDataFolder() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }

std::string OperatingSystemName() {
  std::ifstream in("/etc/os-release");
  std::string line;
  while (std::getline(in, line)) {
    if (StartsWith(line, "PRETTY_NAME=")) {
      std::string value = line.substr(12);
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
        value = value.substr(1, value.size() - 2);
      }
      return value;
    }
  }
  return "Linux";
}

std::string GetEnvironmentText(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? std::string(value) : std::string();
}

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

void SleepMs(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

bool OpenUrl(const std::string& url) {
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return true;
}

}  // namespace pallograph
