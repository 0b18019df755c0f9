// Helpers shared by the tests: temporary folders, running processes (the program itself, Python
// fixture generators), reading files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pallograph::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
// Path() is a native path (with '/'), ProgramPath() the same in the program's '\' form.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string ProgramPath() const;  // with trailing '\'
  std::string Native(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

struct TProcessResult {
  int ExitCode = -1;  // the process's exit status (0..255), or -1 when it did not exit normally
  std::string Out;
  std::string Err;
};

// Runs a program with arguments (no shell), feeding `input` to its standard input. `env` entries
// ("NAME=value") are set in the child's environment on top of this process's.
TProcessResult RunProcess(const std::vector<std::string>& args, const std::string& input = "",
                          const std::string& workdir = "",
                          const std::vector<std::string>& env = {});
// Runs the built pallograph executable.
TProcessResult RunPallograph(const std::vector<std::string>& args, const std::string& input = "");
// Runs a Python script from the source tree (path relative to the source root) with arguments;
// fails the current test when it exits non-zero.
TProcessResult RunPythonScript(const std::string& script, const std::vector<std::string>& args);
// Runs Python code given inline.
TProcessResult RunPythonCode(const std::string& code, const std::vector<std::string>& args = {});

std::string SourceDir();
std::string PallographBinary();

std::vector<uint8_t> ReadBinary(const std::string& native_path);
std::string ReadText(const std::string& native_path);
void WriteBinary(const std::string& native_path, const std::vector<uint8_t>& data);
void WriteText(const std::string& native_path, const std::string& text);

// A UTF-8 path as a standard library path: on Windows it reaches the system as UTF-16 through the
// library's wide paths (not through the program's own conversion).
inline std::filesystem::path WidePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// UTF-16 units in a wide string, as the program's conversions hand them over on every platform.
inline std::wstring Units(std::u16string_view units) {
  return std::wstring(units.begin(), units.end());
}

}  // namespace pallograph::test
