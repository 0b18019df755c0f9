// Helpers of the packaging tests: the program's own option table, and the option names that a
// document lists.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "run/CommandLineReader.h"

namespace pallograph::test {

// The declared options (lower-cased names, as the reader matches them) with their records.
std::map<std::string, TProperty> DeclaredOptions();

// The long options ("--name", lower-cased) and short switches ("-x") that stand in a text, each
// as often as it occurs; a long option followed by "=" is recorded as "--name=".
std::multiset<std::string> OptionWords(const std::string& text);

// "Missing: ..." / "Not in the option table: ..." lines for the differences between the
// declared options and the option words of a document ("" when they agree): every declared
// option once, with "=" exactly when it takes a value, and every short switch of the table.
std::string CompareWithOptionTable(const std::multiset<std::string>& documented);

std::vector<std::string> SplitLines(const std::string& text);

}  // namespace pallograph::test
