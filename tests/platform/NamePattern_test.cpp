#include "platform/NamePattern.h"

#include <gtest/gtest.h>

#include <string>

namespace pallograph {
namespace {

TEST(NamePatternTest, MatchesWholeTextIgnoringAsciiCase) {
  struct RCase {
    const char* Pattern;
    const char* Text;
    bool Matches;
  };
  const RCase cases[] = {
      {"abc", "abc", true},
      {"abc", "ABC", true},
      {"abc", "abcd", false},  // the whole text, not a part of it
      {"abc", "xabc", false},
      {"", "", true},
      {"", "a", false},
      {"*", "", true},
      {"*", "any\\thing/at all", true},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a?c", "a\\c", true},  // "?" is any one character, separators included
      {"a*c", "ac", true},
      {"a*c", "a\\b\\c", true},
      {"a*c", "a\\b\\cd", false},
      {"*.dds", "x.DDS", true},
      {"*_am.dds", "hull_ANM.dds", false},
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"**a", "ba", true},
      {"a*", "a", true},
      {"?", "", false},
      {"h\xc3\xa9*", "H\xc3\xa9llo", true},  // bytes outside ASCII compare as they are
      {"h\xc3\xa9*", "H\xc3\x89llo", false},
      {"content\\mle???_a??_*\\*_am.dds", "Content\\MLE101_A05_M4\\MLE101_A05_M4_AM.dds", true},
      {"content\\mle???_a??_*\\*_am.dds", "content\\mle_af_040_x\\mle_af_040_x_am.dds", false},
  };
  for (const RCase& c : cases) {
    EXPECT_EQ(MatchesPattern(c.Pattern, c.Text), c.Matches)
        << "pattern \"" << c.Pattern << "\", text \"" << c.Text << "\"";
  }
  EXPECT_TRUE(HasWildcards("a*"));
  EXPECT_TRUE(HasWildcards("?"));
  EXPECT_FALSE(HasWildcards("res\\packages\\vehicles_level_01.pkg"));
}

}  // namespace
}  // namespace pallograph
