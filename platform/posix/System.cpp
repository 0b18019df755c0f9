#include "platform/System.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "platform/NativePath.h"
#include "platform/PathText.h"

namespace pallograph {

unsigned ProcessorCount() {
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<unsigned>(n) : 1u;
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

std::string AppDataFolder() {
  std::string folder = GetEnvironmentText("XDG_CONFIG_HOME");
  if (folder.empty()) {
    const std::string home = GetEnvironmentText("HOME");
    if (home.empty()) return {};
    folder = home + "/.config";
  }
  return ExcludeTrailingBackslash(FromNativePath(folder));
}

std::string UserStateFolder() {
  std::string folder = GetEnvironmentText("XDG_STATE_HOME");
  if (folder.empty()) {
    const std::string home = GetEnvironmentText("HOME");
    if (home.empty()) return {};
    folder = home + "/.local/state";
  }
  return ExcludeTrailingBackslash(FromNativePath(folder));
}

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
