// Line handling shared by the config parser and the config refresh.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pallograph {

// Splits text into lines at CR LF, LF or CR; a final line end adds no empty line. A leading
// UTF-8 byte-order mark is dropped.
std::vector<std::string> SplitCfgLines(std::string_view text);
// Reads the lines of a file at a program path; false when it is missing, unreadable or larger
// than kMaxCfgFileSize.
bool ReadCfgLines(const std::string& path, std::vector<std::string>& lines);
// The lines joined by CR LF, with a final CR LF.
std::string JoinCfgLines(const std::vector<std::string>& lines);
// The integer after the first "=" of a line; blanks around it are allowed. 0 when there is no
// "=" or the text is not an integer that fits 32 bits.
int32_t CfgVersionValue(std::string_view line);
// The refresh's version rule: the first line that is not empty, does not start with "#" and
// contains "version =" anywhere gives the version; 0 when there is none.
int32_t FindCfgVersion(const std::vector<std::string>& lines);

}  // namespace pallograph
