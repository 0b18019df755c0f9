// File helpers of the tests: portable, shared by the POSIX and the Windows test builds. The paths
// are UTF-8 and reach the system through the standard library's UTF-8 paths (as UTF-16 on
// Windows, not through the program's own conversion).
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/TestSupport.h"

namespace pallograph::test {

std::vector<uint8_t> ReadBinary(const std::string& native_path) {
  std::ifstream in(WidePath(native_path), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& native_path) {
  std::ifstream in(WidePath(native_path), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteBinary(const std::string& native_path, const std::vector<uint8_t>& data) {
  std::error_code ec;
  std::filesystem::create_directories(WidePath(native_path).parent_path(), ec);
  std::ofstream out(WidePath(native_path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void WriteText(const std::string& native_path, const std::string& text) {
  WriteBinary(native_path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace pallograph::test
