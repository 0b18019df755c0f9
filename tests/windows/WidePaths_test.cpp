// The Windows layer's boundary with the system: program paths (UTF-8) as the system's UTF-16
// paths, the extended-length form of long ones, and the file calls on names in several scripts,
// a surrogate without its pair and a path longer than MAX_PATH. What lands on the disk is checked
// with the system's own wide calls on names written as u"" literals.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/FileVersionInfo.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/OwnerLock.h"
#include "platform/PathText.h"
#include "platform/System.h"
#include "platform/win32/WideApi.h"
#include "windows/support/TestSupportWin32.h"

namespace pallograph {
namespace {

using test::Units;

TEST(WidePathTest, ProgramPathsBecomeSystemPaths) {
  const std::string longTail(300, 'a');
  const std::string edge = "C:\\" + std::string(kExtendedPathFrom - 3, 'b');
  const struct {
    std::string Path;
    std::wstring Expected;
  } kCases[] = {
      {"kernel32.dll", L"kernel32.dll"},  // short relative names stay for the system to resolve
      {"C:/Games/World_of_Tanks/", L"C:\\Games\\World_of_Tanks\\"},
      {"Z:\\\xD0\x98\xD0\xB3\xD1\x80\xD1\x8B\\\xE5\x9D\xA6\xE5\x85\x8B\\\xF0\x9F\x8E\xAE",
       Units(u"Z:\\\u0418\u0433\u0440\u044B\\\u5766\u514B\\\U0001F3AE")},
      {"C:\\bad\xFF\\lone\xED\xA0\xBC", Units(u"C:\\bad\uFFFD\\lone\xD83C")},
      {edge.substr(0, edge.size() - 1), ToWide(edge.substr(0, edge.size() - 1))},
      {edge, L"\\\\?\\" + ToWide(edge)},
      {"C:\\" + longTail, L"\\\\?\\C:\\" + ToWide(longTail)},
      {"C:/x/./y/../" + longTail, L"\\\\?\\C:\\x\\" + ToWide(longTail)},
      {"\\\\server\\share\\" + longTail, L"\\\\?\\UNC\\server\\share\\" + ToWide(longTail)},
      {"\\\\?\\C:\\" + longTail + "\\..", L"\\\\?\\C:\\" + ToWide(longTail) + L"\\.."},
      {"\\\\.\\pipe\\" + longTail, L"\\\\.\\pipe\\" + ToWide(longTail)},
  };
  for (const auto& c : kCases) EXPECT_EQ(ToWidePath(c.Path), c.Expected) << c.Path;

  EXPECT_EQ(FromWidePath(L"\\\\?\\C:\\" + ToWide(longTail)), "C:\\" + longTail);
  EXPECT_EQ(FromWidePath(L"\\\\?\\UNC\\server\\share\\x"), "\\\\server\\share\\x");
  EXPECT_EQ(FromWidePath(Units(u"C:\\\u0418\xD83C")), "C:\\\xD0\x98\xED\xA0\xBC");
  const std::string relativeLong = "rel\\" + longTail;
  EXPECT_EQ(ToWidePath(relativeLong), ToWidePath(AbsoluteProgramPath(relativeLong)));
  EXPECT_TRUE(StartsWith(AbsoluteProgramPath(relativeLong),
                         ExcludeTrailingBackslash(FromWidePath(FullWidePath(L".")))));
}

// A folder under the system's temporary folder, removed at the end through the system's calls.
class TWideScratch {
 public:
  TWideScratch() : root_(TempFolder() + "pallograph-wide-" + NewGuidText() + "\\") {}
  ~TWideScratch() { DeleteFolderTree(root_); }
  TWideScratch(const TWideScratch&) = delete;
  TWideScratch& operator=(const TWideScratch&) = delete;
  const std::string& Root() const { return root_; }

 private:
  std::string root_;
};

// The file's bytes through the system's own wide calls, at the extended-length form of a path
// written in UTF-16 by the test.
bool SystemHasFile(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string read(bytes.size() + 1, '\0');
  DWORD got = 0;
  const BOOL ok = ReadFile(file, read.data(), static_cast<DWORD>(read.size()), &got, nullptr);
  CloseHandle(file);
  return ok && read.substr(0, got) == bytes;
}

TEST(WidePathTest, FileCallsReachNamesInAnyScriptAndLongPaths) {
  const TWideScratch scratch;
  const std::wstring wideRoot = ToWide(scratch.Root());
  const std::string longName(120, 'L');
  const struct {
    std::string Folder;  // relative, program text
    std::wstring Wide;   // the same in UTF-16
    bool Optional;       // a name that not every file system takes
  } kCases[] = {
      {"\xD0\x98\xD0\xB3\xD1\x80\xD1\x8B", Units(u"\u0418\u0433\u0440\u044B"), false},  // Игры
      {"\xE5\x9D\xA6\xE5\x85\x8B", Units(u"\u5766\u514B"), false},                      // 坦克
      {"mods \xF0\x9F\x8E\xAE", Units(u"mods \U0001F3AE"), false},                      // emoji
      // NTFS takes a surrogate without its pair; Wine's file names on Linux (UTF-8) do not.
      {"lone \xED\xA0\xBC", Units(u"lone \xD83C"), true},
      // Longer than MAX_PATH.
      {longName + "\\" + longName + "\\" + longName,
       ToWide(longName + "\\" + longName + "\\" + longName), false},
  };
  for (const auto& c : kCases) {
    const std::string folder = scratch.Root() + c.Folder + "\\";
    const std::string file = folder + "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.bin";  // файл.bin
    const std::wstring wideFile = wideRoot + c.Wide + Units(u"\\\u0444\u0430\u0439\u043B.bin");
    SCOPED_TRACE(c.Folder);
    if (c.Optional && !CreateDirectoryW((L"\\\\?\\" + wideRoot + c.Wide).c_str(), nullptr)) {
      EXPECT_FALSE(ForceDirectories(folder));  // refused by the system, reported as such
      EXPECT_FALSE(LastFileError().empty());
      continue;
    }
    ASSERT_TRUE(ForceDirectories(folder));
    EXPECT_TRUE(DirectoryExists(folder));
    ASSERT_TRUE(WriteFileBytes(file, "payload", 7));
    EXPECT_TRUE(SystemHasFile(wideFile, "payload"));
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(GetFileSizeSafe(file), 7);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(file, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "payload");
    const std::vector<TDirEntry> entries = ListDirectory(folder);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Name, ExtractFileName(file));
    EXPECT_EQ(entries[0].Size, 7u);
    ASSERT_TRUE(WriteFileAtomic(file, "second", 6));
    EXPECT_TRUE(SystemHasFile(wideFile, "second"));
    ASSERT_TRUE(RenameFileAt(file, folder + "b.bin"));
    EXPECT_FALSE(PathExists(file));
    std::unique_ptr<TOwnerLock> lock;
    EXPECT_EQ(TOwnerLock::Take(folder + "Pallograph.lock", lock), TOwnerLock::TState::Taken);
    std::unique_ptr<TOwnerLock> other;
    EXPECT_EQ(TOwnerLock::Take(folder + "Pallograph.lock", other), TOwnerLock::TState::Held);
    lock.reset();
    EXPECT_FALSE(PathExists(folder + "Pallograph.lock"));
    EXPECT_TRUE(DeleteFileAt(folder + "b.bin"));
    EXPECT_TRUE(FolderIsEmpty(scratch.Root()));
  }
  DeleteFolderTree(scratch.Root());
  EXPECT_FALSE(PathExists(scratch.Root()));
}

TEST(WidePathTest, LibraryVersionAndEnvironmentInAnyScript) {
  const std::string library = "C:\\usr\\lib\\p7zip\\7z.so";
  if (!FileExists(library)) GTEST_SKIP() << "no 7z.dll at " << library;
  const TWideScratch scratch;
  const std::string folder = scratch.Root() + "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3 \xF0\x9F\x9A\x80\\";
  std::vector<uint8_t> image;
  ASSERT_TRUE(ReadFileBytes(library, image));
  ASSERT_TRUE(ForceDirectories(folder));
  ASSERT_TRUE(WriteFileBytes(folder + "7z.dll", image.data(), image.size()));
  TDynamicLibrary loaded;
  ASSERT_TRUE(loaded.Load(folder + "7z.dll"));
  EXPECT_NE(loaded.Symbol("CreateObject"), nullptr);
  EXPECT_EQ(SystemFileVersionText(folder + "7z.dll"), SystemFileVersionText(library));
  loaded.Unload();

  const std::wstring name = Units(u"PALLOGRAPH_\u0422\u0415\u0421\u0422");
  ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), Units(u"\u5766 \U0001F3AE").c_str()));
  EXPECT_EQ(GetEnvironmentText("PALLOGRAPH_\xD0\xA2\xD0\x95\xD0\xA1\xD0\xA2"),
            "\xE5\x9D\xA6 \xF0\x9F\x8E\xAE");
  SetEnvironmentVariableW(name.c_str(), nullptr);
}

}  // namespace
}  // namespace pallograph
