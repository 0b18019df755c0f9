#include <gtest/gtest.h>

#include "archive/SevenZip.h"
#include "platform/NativePath.h"
#include "tests/archive/ArchiveFixtures.h"

namespace pallograph {
namespace {

// Builds a shared object from C source with the system's compiler.
std::string BuildModule(const test::TTempDir& dir, const std::string& name,
                        const std::string& source) {
  test::WriteText(dir.Native(name + ".c"), source);
  const test::TProcessResult result = test::RunProcess(
      {"cc", "-shared", "-fPIC", "-o", dir.Native(name + ".so"), dir.Native(name + ".c")});
  EXPECT_EQ(result.ExitCode, 0) << result.Err;
  return FromNativePath(dir.Native(name + ".so"));
}

std::string LoadError(const std::string& path) {
  try {
    CreateReader(path);
  } catch (const ESevenZipError& e) {
    return e.what();
  }
  return "(loaded)";
}

const char* const kCreateObject =
    "int CreateObject(const void* c, const void* i, void** o) { *o = 0; return 0x80004005; }\n";
const char* const kGetHandlerProperty =
    "int GetHandlerProperty(unsigned id, void* v) { return 0x80004001; }\n";

class T7zPluginLoadingTest : public ::testing::Test {
 protected:
  test::TTempDir dir_;
};

TEST_F(T7zPluginLoadingTest, MissingFileGivesTheLoadingMessage) {
  const std::string path = FromNativePath(dir_.Native("nowhere/7z.so"));
  EXPECT_EQ(LoadError(path), "Error loading library " + path);
}

TEST_F(T7zPluginLoadingTest, ModuleWithoutCreateObjectIsNot7zLibrary) {
  const std::string path = BuildModule(dir_, "plain", "int Something(void) { return 1; }\n");
  EXPECT_EQ(LoadError(path), path + " is not a 7z library");
  // A writer loads the same way.
  try {
    CreateWriter(path);
    FAIL() << "no exception";
  } catch (const ESevenZipError& e) {
    EXPECT_EQ(std::string(e.what()), path + " is not a 7z library");
    EXPECT_STREQ(e.ClassName(), "ESevenZipError");
  }
}

TEST_F(T7zPluginLoadingTest, ModuleWithoutGetHandlerPropertyIsNotFormatLibrary) {
  const std::string path = BuildModule(dir_, "codecs", kCreateObject);
  EXPECT_EQ(LoadError(path), path + " is not a Format library");
}

TEST_F(T7zPluginLoadingTest, ModuleWithTheOldInterfaceLayoutIsRefused) {
  // Without the interface-type property a POSIX module is an old one (virtual destructor).
  const std::string old =
      BuildModule(dir_, "old", std::string(kCreateObject) + kGetHandlerProperty);
  EXPECT_EQ(LoadError(old), old +
                                " is a 7z library with the old interface layout (virtual "
                                "destructor in IUnknown); a library of 7-Zip 23 or later is "
                                "needed");
  // A module that says it has the virtual destructor.
  const std::string declared =
      BuildModule(dir_, "declared",
                  std::string(kCreateObject) + kGetHandlerProperty +
                      "#include <string.h>\n"
                      "int GetModuleProp(unsigned id, unsigned char* v) {\n"
                      "  memset(v, 0, 16); v[0] = 19; v[8] = (id == 0); return 0; }\n");
  EXPECT_NE(LoadError(declared).find("unsupported interface layout"), std::string::npos);
}

TEST_F(T7zPluginLoadingTest, RealLibraryLoadsWithTheZipClassId) {
  auto reader = CreateReader(test::LibraryPath());
  EXPECT_TRUE(reader->GetFormatId() == sevenzip::kZipHandlerClassId);
  auto writer = CreateWriter(test::LibraryPath());
  EXPECT_TRUE(writer->GetFormatId() == sevenzip::kZipHandlerClassId);
  // Unknown methods are refused before the library is asked.
  EXPECT_THROW(SetZipMethod(writer, 4), ERangeError);
  SetZipMethod(writer, 1);
}

}  // namespace
}  // namespace pallograph
