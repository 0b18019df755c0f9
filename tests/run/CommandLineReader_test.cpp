#include "run/CommandLineReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/CommandLineText.h"
#include "platform/NativePath.h"
#include "platform/PathText.h"
#include "support/TestSupport.h"

namespace pallograph {
namespace {

// A reader with a table like the program's: paths, texts, numbers and switches.
class TCommandLineReaderTest : public ::testing::Test {
 protected:
  TCommandLineReaderTest() {
    reader.ShowErrorsAutomatically = false;
    reader.OnParseError = [this](const std::string& message) { errors.push_back(message); };
    reader.AddPathOption("wot-path", "\t\t| client", "");
    reader.AddTextOption("DPT-mod", "\t\t| colour", "default");
    reader.AddOption("cpu-count", "\t| workers", TPropertyKind::okInteger, "0");
    reader.AddOption("scale", "\t| factor", TPropertyKind::okFloat, "1");
    reader.AddSwitch("silent-mode", "\t| quiet", false, 's');
    reader.AddSwitch("log", "\t\t| log", false, 'l');
    reader.AddSwitch("statistics", "\t| stats", true);
  }

  bool Parse(const std::string& text) { return reader.ParseArguments(text); }
  const TProperty& Option(const std::string& name) { return reader.LookupOption(name); }

  TCommandLineReader reader;
  std::vector<std::string> errors;
};

TEST_F(TCommandLineReaderTest, ValueFormsAllSetTheValue) {
  for (const std::string& text : std::vector<std::string>{
           "--DPT-mod=FF0000", "--dpt-mod FF0000", "--DPT-MOD=\"FF0000\"", "--dpt-mod 'FF0000'",
           "  --dpt-mod   FF0000  ", "/dpt-mod FF0000", "/dpt-mod=FF0000"}) {
    reader.AllowSlashOptions = true;
    reader.LookupOption("dpt-mod").TextValue = "default";
    EXPECT_TRUE(Parse(text)) << text;
    EXPECT_EQ(reader.OptionText("DPT-mod"), "FF0000") << text;
    EXPECT_TRUE(Option("dpt-mod").Seen) << text;
    EXPECT_TRUE(reader.FreeArguments.empty()) << text;
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(TCommandLineReaderTest, SlashOptionsCanBeTurnedOff) {
  reader.AllowSlashOptions = false;
  EXPECT_TRUE(Parse("/dpt-mod FF0000 /home/me"));
  EXPECT_EQ(Option("dpt-mod").TextValue, "default");
  EXPECT_EQ(reader.FreeArguments, (std::vector<std::string>{"/dpt-mod", "FF0000", "/home/me"}));
  reader.AllowSlashOptions = true;
  EXPECT_FALSE(Parse("/home/me"));
  EXPECT_EQ(reader.FailedOption, "home/me");
}

TEST_F(TCommandLineReaderTest, SwitchesInvertTheirDefaultOnce) {
  EXPECT_TRUE(Parse("--SILENT-MODE --statistics --statistics"));
  EXPECT_TRUE(reader.OptionSwitch("silent-mode"));
  EXPECT_FALSE(reader.OptionSwitch("Statistics"));
  EXPECT_TRUE(Option("statistics").Seen);
  EXPECT_FALSE(Option("log").Seen);
  EXPECT_FALSE(reader.OptionSwitch("log"));
}

TEST_F(TCommandLineReaderTest, EnableAndDisablePrefixes) {
  EXPECT_TRUE(Parse("--disable-log --enable-silent-mode --DISABLE-statistics --enable-nosuch"));
  EXPECT_FALSE(reader.OptionSwitch("log"));
  EXPECT_TRUE(Option("log").Seen);
  EXPECT_TRUE(reader.OptionSwitch("silent-mode"));
  EXPECT_FALSE(reader.OptionSwitch("statistics"));
  // The prefix only reaches switches.
  EXPECT_TRUE(Parse("--enable-dpt-mod x"));
  EXPECT_EQ(Option("dpt-mod").TextValue, "default");
  EXPECT_EQ(reader.FreeArguments, (std::vector<std::string>{"x"}));
}

TEST_F(TCommandLineReaderTest, ShortSwitches) {
  EXPECT_TRUE(Parse("-sz -l"));
  EXPECT_TRUE(Option("silent-mode").SwitchValue);
  EXPECT_TRUE(Option("log").SwitchValue);
  EXPECT_TRUE(Option("log").Seen);
  EXPECT_FALSE(Parse("-"));
  EXPECT_FALSE(Parse("--log - x"));
  EXPECT_EQ(errors.size(), 2u);
}

TEST_F(TCommandLineReaderTest, WordsThatAreNoValuesAreFreeArguments) {
  EXPECT_TRUE(Parse("first --silent-mode yes --dpt-mod=00FF00 \"two words\" 'it''s'"));
  EXPECT_EQ(Option("dpt-mod").TextValue, "00FF00");
  EXPECT_EQ(reader.FreeArguments,
            (std::vector<std::string>{"first", "yes", "two words", "it", "s"}));
  // Each parse starts the list anew and forgets what was seen, but keeps the values.
  EXPECT_TRUE(Parse("--log"));
  EXPECT_TRUE(reader.FreeArguments.empty());
  EXPECT_FALSE(Option("dpt-mod").Seen);
  EXPECT_EQ(Option("dpt-mod").TextValue, "00FF00");
}

TEST_F(TCommandLineReaderTest, MissingValueKeepsTheDefault) {
  EXPECT_TRUE(Parse("--dpt-mod="));
  EXPECT_EQ(Option("dpt-mod").TextValue, "default");
  EXPECT_TRUE(Parse("--dpt-mod= --log"));
  EXPECT_EQ(Option("dpt-mod").TextValue, "default");
  EXPECT_TRUE(Option("log").SwitchValue);
  EXPECT_TRUE(Parse("--dpt-mod=\"\""));
  EXPECT_EQ(Option("dpt-mod").TextValue, "");
  EXPECT_TRUE(Parse("--dpt-mod=\"unterminated value"));
  EXPECT_EQ(Option("dpt-mod").TextValue, "unterminated value");
}

TEST_F(TCommandLineReaderTest, WordsWithoutEffectAndOptionsWithoutValueAreRecorded) {
  struct TCase {
    std::string Text;
    std::vector<std::string> Ignored;
    std::vector<std::string> Valueless;
  };
  for (const TCase& c : std::vector<TCase>{
           {"-sz -l --enable-log", {"-sz"}, {}},
           {"-wot-path=x --disable-nothing", {"-wot-path=x", "--disable-nothing"}, {}},
           {"--dpt-mod --log", {}, {"dpt-mod"}},
           {"--log --dpt-mod", {}, {"dpt-mod"}},
           {"--dpt-mod -l", {}, {"dpt-mod"}},
           {"--dpt-mod= --log --dpt-mod=", {}, {}},
           {"--dpt-mod x --wot-path 'y'", {}, {}}}) {
    EXPECT_TRUE(Parse(c.Text)) << c.Text;
    EXPECT_EQ(reader.IgnoredWords, c.Ignored) << c.Text;
    EXPECT_EQ(reader.ValuelessOptions, c.Valueless) << c.Text;
    // The words form records the same.
    std::vector<std::string> words;
    for (size_t at = 0; at < c.Text.size();) {
      const size_t end = std::min(c.Text.find(' ', at), c.Text.size());
      std::string word = c.Text.substr(at, end - at);
      if (word.size() > 1 && word.front() == '\'') word = word.substr(1, word.size() - 2);
      words.push_back(word);
      at = end + 1;
    }
    EXPECT_TRUE(reader.ParseArgumentWords(words)) << c.Text;
    EXPECT_EQ(reader.IgnoredWords, c.Ignored) << c.Text;
    EXPECT_EQ(reader.ValuelessOptions, c.Valueless) << c.Text;
  }
}

TEST_F(TCommandLineReaderTest, NumbersAreConverted) {
  EXPECT_TRUE(Parse("--cpu-count=12 --scale=2.5"));
  EXPECT_EQ(Option("cpu-count").IntValue, 12);
  EXPECT_EQ(Option("scale").FloatValue, 2.5L);
  EXPECT_TRUE(Parse("--cpu-count '-7' --scale \"-1e3\""));
  EXPECT_EQ(Option("cpu-count").IntValue, -7);
  EXPECT_EQ(Option("scale").FloatValue, -1000.0L);
  EXPECT_TRUE(Parse("--cpu-count=$1F"));
  EXPECT_EQ(Option("cpu-count").IntValue, 31);
  EXPECT_TRUE(Parse("--cpu-count='-2147483648'"));
  EXPECT_EQ(Option("cpu-count").IntValue, INT32_MIN);
  // Unquoted, a leading '-' starts short switches: the value stays as it was.
  EXPECT_TRUE(Parse("--cpu-count=-5"));
  EXPECT_EQ(Option("cpu-count").IntValue, INT32_MIN);
  for (const char* bad : {"--cpu-count=abc", "--cpu-count=12x", "--cpu-count=2147483648",
                          "--cpu-count=\"\"", "--scale=1,5", "--scale=e"}) {
    EXPECT_FALSE(Parse(bad)) << bad;
  }
  EXPECT_EQ(errors.size(), 6u);
}

TEST_F(TCommandLineReaderTest, UndeclaredOptionFailsWithTheListing) {
  EXPECT_FALSE(Parse("--log --nosuch=1 --silent-mode"));
  EXPECT_EQ(reader.FailedOption, "nosuch");
  EXPECT_FALSE(reader.Parsed);
  EXPECT_FALSE(Option("silent-mode").SwitchValue);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0],
            "Parse error at this position: =1 --silent-mode\r\n"
            "The following command line options are valid: \r\n\r\n" +
                reader.OptionListing(""));
  EXPECT_FALSE(Parse("--"));
  EXPECT_EQ(reader.FailedOption, "");
}

TEST(TCommandLineReaderStandaloneTest, ErrorWithoutOptionsAndAutomaticDisplay) {
  TCommandLineReader reader;
  EXPECT_TRUE(reader.ShowErrorsAutomatically);
  EXPECT_FALSE(reader.AllowSlashOptions);  // the POSIX default
  testing::internal::CaptureStdout();
  EXPECT_FALSE(reader.ParseArguments("--x"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Parse error at this position: \r\n"
            "you are not allowed to use command line options starting with -\n");
  reader.ShowErrorsAutomatically = false;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(reader.ParseArguments("--x"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(TCommandLineReaderTest, ListingShowsEveryOptionInOrder) {
  EXPECT_EQ(reader.OptionListing("  "),
            "  --wot-path=\t\t\t| client\r\n"
            "  --dpt-mod=\t\t\t| colour\r\n"
            "  --cpu-count=\t\t| workers\r\n"
            "  --scale=\t\t| factor\r\n"
            "  --silent-mode or -s\t\t| quiet\r\n"
            "  --log or -l\t\t\t| log\r\n"
            "  --statistics\t\t| stats\r\n");
}

TEST_F(TCommandLineReaderTest, LookupErrorsNameTheOption) {
  try {
    reader.LookupOption("No-Such");
    FAIL();
  } catch (const ECommandLineParseException& e) {
    EXPECT_STREQ(e.what(), "Property not found: no-such");
    EXPECT_STREQ(ExceptionClassName(e), "ECommandLineParseException");
  }
  reader.Parsed = true;
  try {
    reader.OptionSwitch("DPT-Mod");
    FAIL();
  } catch (const ECommandLineParseException& e) {
    EXPECT_STREQ(e.what(), "No flag property: DPT-Mod");
  }
}

TEST_F(TCommandLineReaderTest, ProcessCommandLineDropsTheProgramName) {
  EXPECT_FALSE(reader.ParseProcessCommandLine());  // nothing set
  reader.SetProcessCommandLine("\"C:\\Program Files\\P\\pallograph.exe\" --dpt-mod=A1");
  EXPECT_EQ(reader.OptionText("dpt-mod"), "A1");  // parses on the first read
  EXPECT_TRUE(reader.Parsed);
  reader.SetProcessCommandLine("pallograph.exe --dpt-mod=B2 --log");
  EXPECT_TRUE(reader.ParseProcessCommandLine());
  EXPECT_EQ(reader.OptionText("dpt-mod"), "B2");
  reader.SetProcessCommandLine("pallograph.exe");
  EXPECT_TRUE(reader.ParseProcessCommandLine());
  EXPECT_TRUE(reader.FreeArguments.empty());
  reader.SetProcessCommandLine("\"unterminated --log");
  EXPECT_TRUE(reader.ParseProcessCommandLine());
  EXPECT_FALSE(Option("log").Seen);
}

// Unquoted path values may hold blanks when they name an existing file or folder.
class TPathOptionTest : public TCommandLineReaderTest {
 protected:
  TPathOptionTest() {
    std::filesystem::create_directories(dir.Native("My Games/World of Tanks"));
    test::WriteText(dir.Native("My Games/World of Tanks/WorldOfTanks.exe"), "");
    exe = dir.ProgramPath() + "My Games\\World of Tanks\\WorldOfTanks.exe";
    folder = dir.ProgramPath() + "My Games\\World of Tanks";
  }
  test::TTempDir dir;
  std::string exe, folder;
};

TEST_F(TPathOptionTest, UnquotedFileWithBlanksIsFound) {
  EXPECT_TRUE(Parse("--wot-path=" + exe + " --log"));
  EXPECT_EQ(Option("wot-path").TextValue, exe);
  EXPECT_TRUE(Option("log").SwitchValue);
  EXPECT_TRUE(Parse("--wot-path " + exe));
  EXPECT_EQ(Option("wot-path").TextValue, exe);
}

TEST_F(TPathOptionTest, UnquotedFolderIsTaken) {
  // As PowerShell passes --wot-path="C:\Games\World_of_Tanks_EU": without the quotes.
  const std::string games = dir.ProgramPath() + "My Games";
  for (const auto& [text, value] : std::vector<std::pair<std::string, std::string>>{
           {"--wot-path=" + folder, folder},
           {"--wot-path=" + folder + " --log", folder},
           {"--wot-path=" + folder + "\\ --log", folder + "\\"},
           {"--wot-path " + games + " --log", games},
       }) {
    EXPECT_TRUE(Parse(text)) << text;
    EXPECT_EQ(Option("wot-path").TextValue, value) << text;
    EXPECT_TRUE(reader.FreeArguments.empty()) << text;
  }
  EXPECT_TRUE(errors.empty());
  // The extension over blanks stops at the first existing folder too.
  std::filesystem::create_directories(dir.Native("My Games/World"));
  EXPECT_TRUE(Parse("--wot-path=" + exe));
  EXPECT_EQ(Option("wot-path").TextValue, games + "\\World");
  EXPECT_EQ(reader.FreeArguments, (std::vector<std::string>{"of", "Tanks\\WorldOfTanks.exe"}));
}

TEST_F(TPathOptionTest, PathToNothingFailsAtItsFirstWord) {
  const std::string missing = dir.ProgramPath() + "missing\\World of Tanks";
  EXPECT_FALSE(Parse("--log --wot-path=" + missing + " --dpt-mod=FF0000"));
  ASSERT_EQ(errors.size(), 1u);
  // The message shows the text from there (up to 100 characters).
  const std::string shown =
      ("Parse error at this position: " + missing + " --dpt-mod=FF0000").substr(0, 30 + 100);
  EXPECT_EQ(errors[0].substr(0, errors[0].find('\r')), shown);
}

TEST_F(TPathOptionTest, QuotedPathIsTakenUnchanged) {
  EXPECT_TRUE(Parse("--wot-path=\"" + folder + "\" --log"));
  EXPECT_EQ(Option("wot-path").TextValue, folder);
  EXPECT_TRUE(Parse("--wot-path 'C:\\does not\\exist'"));
  EXPECT_EQ(Option("wot-path").TextValue, "C:\\does not\\exist");
}

// The POSIX command line: each argument of the vector stays one word for the reader.
std::string CommandLineOf(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return ProcessCommandLineText(static_cast<int>(args.size()), argv.data());
}

TEST(ProcessCommandLineTextTest, ArgumentsStayOneWord) {
  EXPECT_FALSE(SlashOptionsAllowed());
  EXPECT_EQ(CommandLineOf({"/usr/bin/pallograph"}), "/usr/bin/pallograph");
  EXPECT_EQ(CommandLineOf({"/opt/my tools/pallograph", "--log"}),
            "\"/opt/my tools/pallograph\" --log");
  EXPECT_EQ(CommandLineOf({"p", "--wot-path=/home/me/Games/World of Tanks", "--log", "-s"}),
            "p --wot-path=\"/home/me/Games/World of Tanks\" --log -s");
  EXPECT_EQ(CommandLineOf({"p", "--wot-path", "/home/me/wot", "-", "word"}),
            "p --wot-path \"/home/me/wot\" - \"word\"");
  EXPECT_EQ(CommandLineOf({"p", "--wot-path=", ""}), "p --wot-path=\"\" \"\"");
  EXPECT_EQ(CommandLineOf({"p", "--a='quoted already'", "--b=\"x y\""}),
            "p --a='quoted already' --b=\"x y\"");
  EXPECT_EQ(CommandLineOf({"p", "--a=say \"hi\"", "it's"}), "p --a='say \"hi\"' \"it's\"");
}

TEST(ProcessCommandLineTextTest, ReaderSeesTheShellsWords) {
  TCommandLineReader reader;
  reader.ShowErrorsAutomatically = false;
  reader.AddPathOption("wot-path", "", "");
  reader.AddTextOption("mods-path", "", "");
  reader.AddSwitch("log", "", false);
  // Folders work as values on POSIX: the shell has already told where a value ends.
  reader.SetProcessCommandLine(
      CommandLineOf({"/usr/bin/pallograph", "--wot-path=/home/me/Games/World of Tanks/",
                     "--mods-path", "/tmp/out dir", "--log", "free"}));
  ASSERT_TRUE(reader.ParseProcessCommandLine());
  EXPECT_EQ(reader.OptionText("wot-path"), "/home/me/Games/World of Tanks/");
  EXPECT_EQ(reader.OptionText("mods-path"), "/tmp/out dir");
  EXPECT_TRUE(reader.OptionSwitch("log"));
  EXPECT_EQ(reader.FreeArguments, (std::vector<std::string>{"free"}));

  reader.SetProcessCommandLine(CommandLineOf({"p", "--wot-path=", "--mods-path=it's \"x\""}));
  ASSERT_TRUE(reader.ParseProcessCommandLine());
  EXPECT_EQ(reader.OptionText("wot-path"), "");
  // The text form cannot carry a value with both kinds of quote: it ends at its first double
  // quote. The program therefore parses the words themselves on POSIX (below).
  EXPECT_EQ(reader.OptionText("mods-path"), "it's ");
}

// The words as the shell hands them over, without the program name.
std::vector<std::string> WordsOf(const std::vector<std::string>& args) {
  return std::vector<std::string>(args.begin() + 1, args.end());
}

TEST(ProcessCommandLineTextTest, ArgumentWordsAreTheVectorAfterTheProgram) {
  std::vector<std::string> args{"/usr/bin/pallograph", "--mods-path=it's \"x\"", "", "-l"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> words{"stale"};
  ASSERT_TRUE(ProcessArgumentWords(static_cast<int>(args.size()), argv.data(), words));
  EXPECT_EQ(words, WordsOf(args));
}

TEST(ParseArgumentWordsTest, ValuesArriveExactlyAsGiven) {
  TCommandLineReader reader;
  reader.ShowErrorsAutomatically = false;
  reader.AddPathOption("wot-path", "", "default");
  reader.AddTextOption("mods-path", "", "");
  reader.AddTextOption("dpt-mod", "", "");
  reader.AddOption("cpu-count", "", TPropertyKind::okInteger, "");
  reader.AddSwitch("log", "", false, 'l');
  reader.AddSwitch("silent", "", true);
  reader.SetProcessCommandLine("ignored once words are set");
  reader.SetProcessArguments(WordsOf({"/usr/bin/pallograph", "--mods-path=/tmp/it's \"x\"/out",
                                      "--wot-path", "'quoted' \"both\"", "--dpt-mod=a=b",
                                      "--cpu-count=7", "-l", "--disable-silent", "free word"}));
  ASSERT_TRUE(reader.ParseProcessCommandLine());
  EXPECT_EQ(reader.OptionText("mods-path"), "/tmp/it's \"x\"/out");
  EXPECT_EQ(reader.OptionText("wot-path"), "'quoted' \"both\"");
  EXPECT_EQ(reader.OptionText("dpt-mod"), "a=b");
  EXPECT_EQ(reader.LookupOption("cpu-count").IntValue, 7);
  EXPECT_TRUE(reader.OptionSwitch("log"));
  EXPECT_FALSE(reader.OptionSwitch("silent"));
  EXPECT_EQ(reader.FreeArguments, (std::vector<std::string>{"free word"}));

  // "--name=" sets an empty value; a switch's "=value" is a free argument, as in the text form.
  ASSERT_TRUE(reader.ParseArgumentWords({"--wot-path=", "--log=x"}));
  EXPECT_EQ(reader.OptionText("wot-path"), "");
  EXPECT_EQ(reader.FreeArguments, (std::vector<std::string>{"x"}));
}

TEST(ParseArgumentWordsTest, ErrorsNameTheWordsLeft) {
  TCommandLineReader reader;
  reader.ShowErrorsAutomatically = false;
  reader.AddOption("cpu-count", "", TPropertyKind::okInteger, "");
  std::string message;
  reader.OnParseError = [&](const std::string& m) { message = m; };
  EXPECT_FALSE(reader.ParseArgumentWords({"--CCT-mdo=00FF00", "--cpu-count=1"}));
  EXPECT_EQ(reader.FailedOption, "CCT-mdo");
  EXPECT_EQ(message.rfind("Parse error at this position: --CCT-mdo=00FF00 --cpu-count=1\r\n", 0),
            0u);
  EXPECT_FALSE(reader.ParseArgumentWords({"--cpu-count=many"}));
  EXPECT_EQ(reader.FailedOption, "");
  EXPECT_FALSE(reader.ParseArgumentWords({"-"}));
}

}  // namespace
}  // namespace pallograph
