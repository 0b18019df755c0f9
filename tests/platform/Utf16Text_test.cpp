// UTF-8 <-> UTF-16 at the system's and the archive library's boundary. Valid text is checked
// against the compiler's own u"" literals; broken text against the units written out here.
#include "platform/Utf16Text.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace pallograph {
namespace {

using test::Units;

TEST(Utf16TextTest, ValidTextGoesBothWaysUnchanged) {
  const char* const kTexts[] = {
      "",
      "C:\\Games\\World_of_Tanks\\res\\packages\\shared_content.pkg",
      "Z:\\tmp\\\xD0\x98\xD0\xB3\xD1\x80\xD1\x8B\\World_of_Tanks_RU",  // Игры
      "\xE5\x9D\xA6\xE5\x85\x8B",                                      // 坦克
      "mods_\xF0\x9F\x8E\xAE_\xF4\x8F\xBF\xBF",                        // U+1F3AE, U+10FFFF
      "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80",      // edges of each length
  };
  const std::u16string_view kUnits[] = {
      u"",
      u"C:\\Games\\World_of_Tanks\\res\\packages\\shared_content.pkg",
      u"Z:\\tmp\\\u0418\u0433\u0440\u044B\\World_of_Tanks_RU",
      u"\u5766\u514B",
      u"mods_\U0001F3AE_\U0010FFFF",
      u"\u0080\u07FF\u0800\uFFFF\U00010000",
  };
  for (size_t i = 0; i < std::size(kTexts); ++i) {
    for (const TLoneSurrogates lone : {TLoneSurrogates::Replace, TLoneSurrogates::Keep}) {
      EXPECT_EQ(Utf8ToWide(kTexts[i], lone), Units(kUnits[i])) << kTexts[i];
      EXPECT_EQ(WideToUtf8(Units(kUnits[i]), lone), kTexts[i]) << kTexts[i];
    }
  }
}

TEST(Utf16TextTest, BrokenUtf8BecomesOneReplacementPerByte) {
  const struct {
    std::string_view Utf8;
    std::u16string_view Units;
  } kCases[] = {
      {"a\x80z", u"a\uFFFDz"},                            // a lone continuation byte
      {"\xD0", u"\uFFFD"},                                // cut off at the end
      {"\xE5\x9D", u"\uFFFD\uFFFD"},                      // cut off after two of three bytes
      {"\xE5\x9Dx", u"\uFFFD\uFFFDx"},                    // a sequence broken by an ASCII byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // an overlong '/'
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xFF\xFE", u"\uFFFD\uFFFD"},                      // never in UTF-8
  };
  for (const auto& c : kCases) {
    for (const TLoneSurrogates lone : {TLoneSurrogates::Replace, TLoneSurrogates::Keep}) {
      EXPECT_EQ(Utf8ToWide(c.Utf8, lone), Units(c.Units)) << testing::PrintToString(c.Utf8);
    }
  }
}

TEST(Utf16TextTest, LoneSurrogatesAreReplacedOrKeptBothWays) {
  const char16_t kHigh = 0xD83C;
  const char16_t kLow = 0xDFAE;
  const struct {
    std::u16string Units;
    std::string_view Kept;  // the UTF-8 that Keep gives, and reads back to the same units
  } kCases[] = {
      {{kHigh}, "\xED\xA0\xBC"},
      {{kLow}, "\xED\xBE\xAE"},
      {{u'a', kHigh, u'z'}, "a\xED\xA0\xBCz"},
      {{kLow, kHigh}, "\xED\xBE\xAE\xED\xA0\xBC"},  // the wrong order makes no pair
      {{kHigh, kHigh, kLow}, "\xED\xA0\xBC\xF0\x9F\x8E\xAE"},
  };
  for (const auto& c : kCases) {
    const std::wstring units = Units(c.Units);
    EXPECT_EQ(WideToUtf8(units, TLoneSurrogates::Keep), c.Kept);
    EXPECT_EQ(Utf8ToWide(c.Kept, TLoneSurrogates::Keep), units);
    // Replaced: one U+FFFD for each lone unit, and each byte of its three-byte form.
    std::u16string replaced;
    std::u16string replacedBytes;
    for (size_t i = 0; i < c.Units.size(); ++i) {
      if (c.Units[i] == kHigh && i + 1 < c.Units.size() && c.Units[i + 1] == kLow) {
        replaced += u"\U0001F3AE";
        replacedBytes += u"\U0001F3AE";
        ++i;
      } else if (c.Units[i] == kHigh || c.Units[i] == kLow) {
        replaced += u'\uFFFD';
        replacedBytes += u"\uFFFD\uFFFD\uFFFD";
      } else {
        replaced += c.Units[i];
        replacedBytes += c.Units[i];
      }
    }
    EXPECT_EQ(Utf8ToWide(WideToUtf8(units), TLoneSurrogates::Keep), Units(replaced));
    EXPECT_EQ(Utf8ToWide(c.Kept), Units(replacedBytes));
  }
}

}  // namespace
}  // namespace pallograph
