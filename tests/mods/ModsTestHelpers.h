// Helpers of the mod job tests: fixtures made by tests/mods/client_files.py (Python's zipfile,
// ImageMagick's DDS writer), the archive library, and pixel checks made by Pillow.
#pragma once

#include <string>
#include <vector>

#include "configs/CfgFile.h"
#include "platform/MainThreadQueue.h"

namespace pallograph::test {

// The archive library file of this machine (program path).
std::string LibraryFile();
// Runs Python code with the fixture module imported as `cf`; fails the test on a non-zero exit.
// Returns the standard output.
std::string RunFixture(const std::string& code, const std::vector<std::string>& args = {});
// A config root with its names.
RFiles Root(const std::string& name, const std::vector<std::string>& files);
// The distinct RGBA texels of a DDS file (every level), decoded by Pillow, as "r,g,b,a" lines.
std::vector<std::string> DistinctTexels(const std::string& nativePath);
// Width and height of a DDS file as Pillow reads them: "WxH".
std::string ImageSize(const std::string& nativePath);
// Serves the queue until the job has ended (as the stage's scheduler does).
template <class Job>
void RunToEnd(Job& job, TMainThreadQueue& queue) {
  job.Start();
  while (!job.WaitFor(10)) queue.CheckSynchronize();
}
// Overwrites, at each occurrence of `from`, its bytes with `to` padded with zero bytes to the
// length of `from`. Fails the test when `from` does not occur.
void ExpectReplace(std::vector<uint8_t>& data, const std::string& from, const std::string& to);
// Number of open descriptors of this process that refer to the native path (Linux /proc); -1
// when that cannot be told.
int OpenDescriptorsTo(const std::string& nativePath);

}  // namespace pallograph::test
