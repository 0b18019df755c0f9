#include "e2e/E2ESupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace pallograph::test {

TE2EFixture::TE2EFixture(bool with_configs) {
  fs::create_directories(ProgramFolder());
  fs::copy_file(PallographBinary(), ProgramFolder() + "/pallograph");
  if (with_configs) {
    for (const auto& entry : fs::directory_iterator(SourceDir() + "/data/configs")) {
      fs::copy_file(entry.path(), ProgramFolder() + "/" + entry.path().filename().string());
    }
  }
}

namespace {

// Demo clients already written in this test run, one per argument list: the generator's output
// does not depend on where it is written, so later tests copy it instead of writing it anew.
std::string CachedClient(const std::vector<std::string>& args) {
  static TTempDir cache;
  static std::map<std::vector<std::string>, std::string> clients;
  const auto found = clients.find(args);
  if (found != clients.end()) return found->second;
  const std::string path = cache.Path() + "/" + std::to_string(clients.size());
  std::vector<std::string> all{path};
  all.insert(all.end(), args.begin(), args.end());
  RunPythonScript("scripts/make_demo_client.py", all);
  clients.emplace(args, path);
  return path;
}

}  // namespace

std::string TE2EFixture::MakeClient(const std::vector<std::string>& args, const std::string& name) {
  const std::string path = dir_.Path() + "/" + name;
  fs::create_directories(fs::path(path).parent_path());
  fs::copy(CachedClient(args), path,
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  return path;
}

TProcessResult TE2EFixture::Run(std::vector<std::string> args, const std::string& input,
                                bool offline, const std::vector<std::string>& env) const {
  std::vector<std::string> all{ProgramFolder() + "/pallograph"};
  all.insert(all.end(), args.begin(), args.end());
  if (offline) {
    all.push_back("--no-send-statistic");
    all.push_back("--no-update-configs");
  }
  return RunProcess(all, input, "", env);
}

RTerminalResult TE2EFixture::RunOnTerminal(std::vector<std::string> args,
                                           const RTerminalRun& how) const {
  args.insert(args.begin(), ProgramFolder() + "/pallograph");
  args.push_back("--no-send-statistic");
  args.push_back("--no-update-configs");
  return test::RunOnTerminal(args, how);
}

RTerminalResult RunOnTerminal(const std::vector<std::string>& command, const RTerminalRun& how) {
  std::vector<std::string> all{PALLOGRAPH_PYTHON, SourceDir() + "/tests/e2e/on_terminal.py",
                               "--timeout", std::to_string(how.TimeoutSeconds)};
  const auto add = [&all](const char* name, const std::string& value) {
    if (value.empty()) return;
    all.push_back(name);
    all.push_back(value);
  };
  add("--input", how.Input);
  for (const std::string& entry : how.Env) add("--env", entry);
  add("--stop-with", how.StopWith);
  add("--stop-when-exists", how.StopWhenExists);
  add("--stop-on-text", how.StopOnText);
  add("--plant", how.Plant);
  all.push_back("--");
  all.insert(all.end(), command.begin(), command.end());
  const TProcessResult r = RunProcess(all);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  RTerminalResult result;
  const size_t first = r.Out.find('\n');
  const size_t second = r.Out.find('\n', first + 1);
  if (first == std::string::npos || second == std::string::npos) return result;
  result.Status = r.Out.substr(7, first - 7);  // after "status="
  result.Stopped = r.Out.compare(first + 1, 9, "stopped=1") == 0;
  if (result.Stopped) result.SecondsAfterStop = std::atof(r.Out.c_str() + first + 10);
  result.Shown = r.Out.substr(second + 1);
  return result;
}

void TE2EFixture::Check(const std::vector<std::string>& args) {
  RunPythonScript("tests/e2e/package_checks.py", args);
}

std::vector<std::string> ListTree(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_regular_file()) names.push_back(fs::relative(it->path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Packages(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& name : ListTree(folder)) {
    if (name.rfind(prefix, 0) == 0) found.push_back(folder + "/" + name);
  }
  return found;
}

std::string OnePackage(const std::string& folder, const std::string& prefix) {
  const std::vector<std::string> found = Packages(folder, prefix);
  EXPECT_EQ(found.size(), 1u) << prefix;
  return found.empty() ? std::string() : found.front();
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

std::string LineOf(const std::string& out, const std::string& package) {
  const size_t at = out.find("          " + package);
  if (at == std::string::npos) return {};
  return out.substr(at, out.find('\n', at) - at);
}

}  // namespace pallograph::test
