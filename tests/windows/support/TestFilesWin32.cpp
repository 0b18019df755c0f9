// File helpers of the Windows tests: the paths are UTF-8 and reach the system as UTF-16 through
// the standard library's wide paths (not through the program's own conversion).
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace pallograph::test {

namespace {

fs::path WidePath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

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
  fs::create_directories(WidePath(native_path).parent_path(), ec);
  std::ofstream out(WidePath(native_path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void WriteText(const std::string& native_path, const std::string& text) {
  WriteBinary(native_path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace pallograph::test
