// The test helpers for the Windows build, run under Wine or on Windows. There is no Python
// there: generator scripts that write into one output folder are run beforehand on the build
// machine (scripts/windows/test.sh) into PALLOGRAPH_FIXTURES\<script name>\, and "running" such a
// script here copies that folder. Paths and arguments are UTF-8 and reach the system as UTF-16,
// converted by the system's and the standard library's own routines.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "support/TestSupport.h"
#include "windows/support/TestSupportWin32.h"

namespace fs = std::filesystem;

namespace pallograph::test {

namespace {

// A handle closed when the owner goes.
class THandle {
 public:
  explicit THandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~THandle() {
    if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) CloseHandle(handle_);
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

THandle InheritableFile(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return THandle(CreateFileW(
      Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
      &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// One argument quoted as the C run-time's parser reads it back.
std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t slashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    quoted.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    quoted += c;
  }
  quoted.append(slashes * 2, '\\');
  return quoted + "\"";
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

TTempDir::TTempDir() {
  const fs::path base = fs::temp_directory_path();
  for (unsigned attempt = 0;; ++attempt) {
    const fs::path candidate =
        base / ("pallograph-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount64()) + "-" + std::to_string(attempt));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = Utf8(candidate);
      return;
    }
    if (attempt > 1000) throw std::runtime_error("no temporary folder");
  }
}

TTempDir::~TTempDir() {
  std::error_code ec;
  fs::remove_all(WidePath(path_), ec);
}

std::string TTempDir::ProgramPath() const {
  return IncludeTrailingBackslash(FromNativePath(path_));
}

// The source tree as Wine's Z: drive shows it.
std::string SourceDir() { return "Z:" + SlashesToBackslashes(PALLOGRAPH_SOURCE_DIR); }
std::string PallographBinary() { return PALLOGRAPH_BINARY; }

TProcessResult RunProcess(const std::vector<std::string>& args, const std::string& input,
                          const std::string& workdir, const std::vector<std::string>& env) {
  TProcessResult result;
  if (args.empty() || !env.empty()) return result;
  const TTempDir io;
  WriteText(io.Native("in"), input);
  const THandle in = InheritableFile(io.Native("in"), false);
  {
    const THandle out = InheritableFile(io.Native("out"), true);
    const THandle err = InheritableFile(io.Native("err"), true);
    if (in.Get() == INVALID_HANDLE_VALUE || out.Get() == INVALID_HANDLE_VALUE ||
        err.Get() == INVALID_HANDLE_VALUE) {
      return result;
    }
    std::string line;
    for (const std::string& arg : args) line += (line.empty() ? "" : " ") + QuoteArgument(arg);
    std::wstring wideLine = Wide(line);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.Get();
    startup.hStdOutput = out.Get();
    startup.hStdError = err.Get();
    PROCESS_INFORMATION process{};
    const std::wstring wideWorkdir = Wide(workdir);
    if (!CreateProcessW(nullptr, wideLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        workdir.empty() ? nullptr : wideWorkdir.c_str(), &startup, &process)) {
      return result;
    }
    const THandle thread(process.hThread);
    const THandle child(process.hProcess);
    WaitForSingleObject(child.Get(), INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(child.Get(), &code)) result.ExitCode = static_cast<int>(code);
  }
  result.Out = ReadText(io.Native("out"));
  result.Err = ReadText(io.Native("err"));
  return result;
}

TProcessResult RunPallograph(const std::vector<std::string>& args, const std::string& input) {
  std::vector<std::string> all{PallographBinary()};
  all.insert(all.end(), args.begin(), args.end());
  return RunProcess(all, input);
}

TProcessResult RunPythonScript(const std::string& script, const std::vector<std::string>& args) {
  TProcessResult result;
  const wchar_t* fixturesVariable = _wgetenv(L"PALLOGRAPH_FIXTURES");
  const std::wstring fixtures = fixturesVariable ? fixturesVariable : L"";
  const fs::path made = fs::path(fixtures) / WidePath(script).stem();
  std::error_code ec;
  if (fixtures.empty() || args.size() != 1 || !fs::is_directory(made, ec)) {
    ADD_FAILURE() << script << ": no fixtures made beforehand in PALLOGRAPH_FIXTURES";
    return result;
  }
  fs::copy(made, WidePath(args[0]),
           fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  EXPECT_FALSE(ec) << script << ": " << ec.message();
  result.ExitCode = ec ? 1 : 0;
  return result;
}

TProcessResult RunPythonCode(const std::string&, const std::vector<std::string>&) {
  ADD_FAILURE() << "Python code cannot run in the Windows test build";
  return {};
}

}  // namespace pallograph::test
