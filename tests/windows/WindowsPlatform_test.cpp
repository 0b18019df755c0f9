// The Windows platform layer on a real (or Wine's) Windows: the raw command line, the registry,
// the automation strings, library loading, system folders and the WinINet transport.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "client/PeVersion.h"
#include "online/FormPost.h"
#include "online/HttpFetch.h"
#include "platform/ComAbi.h"
#include "platform/CommandLineText.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/FileVersionInfo.h"
#include "platform/PathText.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "run/CommandLineReader.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(WindowsCommandLineTest, TheSystemsTextIsReadAndSlashOptionsAreOn) {
  char name[] = "other.exe";
  char* argv[] = {name, nullptr};
  const std::string text = ProcessCommandLineText(1, argv);
  EXPECT_TRUE(Contains(LowerCaseAscii(text), "windows_tests")) << text;
  EXPECT_FALSE(Contains(text, "other.exe"));
  EXPECT_TRUE(SlashOptionsAllowed());

  TCommandLineReader reader;
  EXPECT_TRUE(reader.AllowSlashOptions);
  reader.ShowErrorsAutomatically = false;
  reader.AddPathOption("wot-path", "", "");
  reader.AddTextOption("DPT-mod", "", "");
  reader.AddSwitch("silent-mode", "", false);
  reader.SetProcessCommandLine(
      "\"C:\\Program Files\\Pallograph\\pallograph.exe\" /wot-path=\"C:\\Games\\World of "
      "Tanks\\\" --DPT-mod=FF0000 /silent-mode");
  ASSERT_TRUE(reader.ParseProcessCommandLine());
  EXPECT_EQ(reader.OptionText("wot-path"), "C:\\Games\\World of Tanks\\");
  EXPECT_EQ(reader.OptionText("DPT-mod"), "FF0000");
  EXPECT_TRUE(reader.OptionSwitch("silent-mode"));
}

TEST(WindowsRegistryTest, ReadsStringsAndCountsSubKeys) {
  const auto product = ReadRegistryString(
      RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName");
  ASSERT_TRUE(product.has_value());
  EXPECT_TRUE(Contains(*product, "Windows")) << *product;
  EXPECT_EQ(OperatingSystemName(), *product);
  EXPECT_FALSE(ReadRegistryString(RegistryRoot::CurrentUser, "Software\\No Such Key", "x"));
  EXPECT_FALSE(ReadRegistryString(RegistryRoot::LocalMachine,
                                  "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                  "NoSuchValue"));
  EXPECT_GE(CountRegistrySubKeys(RegistryRoot::LocalMachine,
                                 "HARDWARE\\DESCRIPTION\\System\\CentralProcessor"),
            1);
  EXPECT_EQ(CountRegistrySubKeys(RegistryRoot::ClassesRoot, "NoSuchClass\\DefaultIcon"), -1);
}

TEST(WindowsComAbiTest, AutomationStringsKeepTheirByteLength) {
  const uint8_t classId[5] = {0x10, 0x00, 0x00, 0x01, 0x10};
  OleChar* binary = AllocOleStringBytes(classId, sizeof(classId));
  ASSERT_NE(binary, nullptr);
  EXPECT_EQ(OleStringByteLength(binary), 5u);
  EXPECT_EQ(std::memcmp(binary, classId, sizeof(classId)), 0);
  FreeOleString(binary);
  OleChar* text = AllocOleString(L"7z.dll", 6);
  EXPECT_EQ(OleStringLength(text), 6u);
  EXPECT_EQ(text[6], L'\0');
  FreeOleString(text);
  FreeOleString(nullptr);
  EXPECT_EQ(OleStringByteLength(nullptr), 0u);
  EXPECT_EQ(ArchiveEntryAttributes(0x20, false), 0x20u);
  EXPECT_EQ(ArchiveEntryAttributes(0, true), 0x10u);
  EXPECT_FALSE(ModuleWithoutInterfaceTypeHasVirtualDestructor());
}

TEST(WindowsSystemTest, FoldersAndLibraries) {
  const std::string program = ProgramFolder();
  EXPECT_TRUE(EndsWith(program, "\\"));
  EXPECT_TRUE(FileExists(program + "windows_tests.exe")) << program;
  EXPECT_TRUE(EndsWith(TempFolder(), "\\"));
  EXPECT_TRUE(DirectoryExists(TempFolder()));
  EXPECT_FALSE(AppDataFolder().empty());
  EXPECT_FALSE(EndsWith(AppDataFolder(), "\\"));
  const std::string guid = NewGuidText();
  EXPECT_EQ(guid.size(), 38u);
  EXPECT_NE(guid, NewGuidText());
  EXPECT_GE(ProcessorCount(), 1u);

  TDynamicLibrary kernel;
  ASSERT_TRUE(kernel.Load("kernel32.dll"));
  EXPECT_NE(kernel.Symbol("GetTickCount"), nullptr);
  EXPECT_EQ(kernel.Symbol("NoSuchExport"), nullptr);
  TDynamicLibrary missing;
  EXPECT_FALSE(missing.Load(TempFolder() + "nowhere\\7z.dll"));
  EXPECT_FALSE(HomeFolder().empty());
  EXPECT_FALSE(UserDataFolder().empty());
}

TEST(WindowsFileSystemTest, ListingLimitAndCanonicalPaths) {
  test::TTempDir dir;
  const std::string root = dir.ProgramPath();
  for (const char* name : {"a", "b", "c"}) test::WriteText(dir.Native(name), name);
  bool ok = false;
  EXPECT_EQ(ListDirectory(root, &ok, 2).size(), 2u);
  EXPECT_TRUE(ok);
  EXPECT_EQ(ListDirectory(root, &ok).size(), 3u);
  // The same folder in other letter cases and with "..": one canonical path.
  ASSERT_TRUE(ForceDirectories(root + "Real\\Inner"));
  EXPECT_EQ(CanonicalPath(root + "real\\INNER\\"), CanonicalPath(root + "Real\\Inner\\"));
  EXPECT_EQ(CanonicalPath(root + "Real\\..\\Real"), CanonicalPath(root + "Real"));
  EXPECT_EQ(CanonicalPath(root + "missing\\x"), root + "missing\\x");
}

// The system's version reader and the portable one agree on the real 7-Zip library (the test
// runner puts it on drive C: as \usr\lib\p7zip\7z.so).
TEST(WindowsFileVersionTest, SystemAndPortableReadersAgree) {
  const std::string library = "C:\\usr\\lib\\p7zip\\7z.so";
  if (!FileExists(library)) GTEST_SKIP() << "no 7z.dll at " << library;
  const std::string system = SystemFileVersionText(library);
  EXPECT_TRUE(StartsWith(system, "26.")) << system;
  TFileStream image(library, TFile::Mode::Read);
  ASSERT_TRUE(image.IsOpen());
  EXPECT_EQ(ReadPeFileVersion(image), system);
  EXPECT_EQ(GetFileVersionText(library), system);
  EXPECT_EQ(SystemFileVersionText(TempFolder() + "nowhere.exe"), "");
  EXPECT_EQ(SystemFileVersionText(ProgramFolder() + "windows_tests.exe"), "");
}

// The loopback server of the online tests, started by the runner on the build machine.
class WinInetFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("PALLOGRAPH_HTTP_TEST_URL");
    if (base == nullptr || *base == '\0') GTEST_SKIP() << "no loopback server";
    base_ = base;
  }
  RIStringResult Get(const std::string& path, bool text = false) const {
    RIRequest request;
    InitRequestFull(request, base_ + path, kHttpUserAgent, kHttpAcceptLanguage, kHttpAccept,
                    kHttpConnectTimeoutMs, kHttpAttempts, kHttpKeepAlive, kHttpReceiveTimeoutMs);
    RIStringResult result;
    if (text) {
      HttpGetText(request, result);
    } else {
      HttpGet(request, result);
    }
    return result;
  }
  std::string base_;
};

TEST_F(WinInetFetchTest, BodyHeadersAndStatus) {
  const RIStringResult hello = Get("/hello");
  EXPECT_FALSE(hello.Error) << hello.Code;
  EXPECT_EQ(hello.Code, 200);
  EXPECT_EQ(hello.Text, "Hello, world");

  const std::string headers = LowerCaseAscii(Get("/headers").Text);
  EXPECT_TRUE(Contains(headers, "user-agent: " + LowerCaseAscii(kHttpUserAgent))) << headers;
  EXPECT_TRUE(Contains(headers, "accept-language: ru-ru,ru;q=0.9")) << headers;
  EXPECT_TRUE(Contains(headers, "accept: text/html,application/xhtml+xml")) << headers;
  EXPECT_TRUE(Contains(headers, "cache-control: no-cache")) << headers;

  const RIStringResult missing = Get("/status/404");
  EXPECT_TRUE(missing.Error);
  EXPECT_EQ(missing.Code, 404);
  EXPECT_EQ(missing.Text, "status 404");

  // The byte-order mark goes; the program's text is UTF-8, so the rest stays as it is.
  const RIStringResult bom = Get("/bom", true);
  EXPECT_FALSE(bom.Error);
  EXPECT_EQ(bom.Text,
            "Gr\xC3\xBC\xC3\x9F"
            "e");
}

TEST_F(WinInetFetchTest, SilentOrDroppingServersFailTheAttempts) {
  const RIStringResult stalled = Get("/stall");
  EXPECT_TRUE(stalled.Error);
  EXPECT_TRUE(stalled.Empty);
  EXPECT_NE(stalled.Code, 200);
  const RIStringResult dropped = Get("/drop");
  EXPECT_TRUE(dropped.Error);
  EXPECT_NE(dropped.Code, 0);
}

// A server that trickles, loops or sends too much ends the fetch within the time limit of the
// whole fetch, with a reason, although WinINet itself blocks while data keeps coming.
TEST_F(WinInetFetchTest, LimitsEndTheFetchWithAReason) {
  const struct {
    std::string Path;
    int32_t TotalMs;
    size_t MaxBody;
    std::string Reason;
  } cases[] = {
      {"/trickle", 1000, kHttpMaxBodySize, "no complete answer within 1 s"},
      {"/stall", 1500, kHttpMaxBodySize, "no complete answer within 1500 ms"},
      {"/redirect-loop", 0, kHttpMaxBodySize,
       "too many redirects (more than 10; a redirect loop?)"},
      {"/big/5000", 0, 4096, "the answer is larger than 4 KiB"},
      {"/status/500", 0, kHttpMaxBodySize, "HTTP status 500"},
  };
  for (const auto& c : cases) {
    RIRequest request;
    InitRequestFull(request, base_ + c.Path, kHttpUserAgent, kHttpAcceptLanguage, kHttpAccept,
                    kHttpConnectTimeoutMs, kHttpAttempts, kHttpKeepAlive, kHttpReceiveTimeoutMs);
    request.TotalTimeout = c.TotalMs;
    request.MaxBodySize = c.MaxBody;
    const auto start = std::chrono::steady_clock::now();
    RIStringResult result;
    HttpGet(request, result);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_TRUE(result.Error) << c.Path;
    EXPECT_EQ(result.Reason, c.Reason) << c.Path;
    if (c.TotalMs > 0) {
      EXPECT_LT(ms, c.TotalMs + 700) << c.Path;
    }
  }
}

// The statistics collector of the online tests (loopback_server.py), which records each post in a
// file the runner names.
TEST(WinInetFormPostTest, PostsTheFormWithItsHeaders) {
  const char* url = std::getenv("PALLOGRAPH_COLLECT_URL");
  const char* hits = std::getenv("PALLOGRAPH_COLLECT_HITS");
  if (url == nullptr || hits == nullptr) GTEST_SKIP() << "no collector";
  const std::atomic<bool> cancelled{true};
  EXPECT_FALSE(PostForm({url, "v=1&t=cancelled", "agent"}, cancelled));
  const std::atomic<bool> going{false};
  EXPECT_TRUE(PostForm({url, "v=1&t=event&ea=%D0%AF", "Pallograph agent"}, going));
  EXPECT_EQ(test::ReadText(hits),
            "/collect\tv=1&t=event&ea=%D0%AF\tPallograph agent\t"
            "application/x-www-form-urlencoded\twindows-1251\n");
}

}  // namespace
}  // namespace pallograph
