#include "run/PackageNames.h"

#include <cstddef>

#include "platform/PathText.h"
#include "run/CommandLineReader.h"

namespace pallograph {

namespace {

constexpr size_t kLongestFileName = 255;
// ".wotmod" and the packer's ".{GUID}.tmp" after the name; "_Part" and up to three digits
// before ".wotmod" for a split package.
constexpr size_t kPackageTail = 7 + 1 + 38 + 4;
constexpr size_t kPartTail = 5 + 3;

}  // namespace

std::string RefusedPackageName(TCommandLineReader& reader, const char* nameOption, bool subfolder,
                               bool split) {
  const std::string name = reader.OptionText(nameOption);
  const std::string option = "--" + std::string(nameOption) + "=" + name;
  if (!name.empty() && !IsPlainFileName(name)) {
    return "Package name refused (it may hold no folder, drive or \"..\"): " + option;
  }
  if (name.size() + kPackageTail + (split ? kPartTail : 0) > kLongestFileName) {
    return "Package name refused (its file name would pass " + std::to_string(kLongestFileName) +
           " bytes): " + option;
  }
  const std::string folder = reader.OptionText("subfolder-wotmod-name");
  if (!subfolder || folder.empty()) return {};
  const std::string plain = StripTrailingBackslashes(SlashesToBackslashes(folder));
  const std::string folderOption = "--subfolder-wotmod-name=" + folder;
  if (!IsPlainFileName(plain)) {
    return "Sub-folder name refused (it may hold no folder, drive or \"..\"): " + folderOption;
  }
  if (plain.size() > kLongestFileName) {
    return "Sub-folder name refused (it passes " + std::to_string(kLongestFileName) +
           " bytes): " + folderOption;
  }
  return {};
}

}  // namespace pallograph
