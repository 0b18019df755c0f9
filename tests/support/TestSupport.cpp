#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/NativePath.h"
#include "platform/PathText.h"

namespace pallograph::test {

TTempDir::TTempDir() {
  std::string base = std::filesystem::temp_directory_path().string() + "/pallograph-test-XXXXXX";
  std::vector<char> buffer(base.begin(), base.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buffer.data();
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TTempDir::ProgramPath() const {
  return IncludeTrailingBackslash(FromNativePath(path_));
}

std::string SourceDir() { return PALLOGRAPH_SOURCE_DIR; }
std::string PallographBinary() { return PALLOGRAPH_BINARY; }

TProcessResult RunProcess(const std::vector<std::string>& args, const std::string& input,
                          const std::string& workdir, const std::vector<std::string>& env) {
  TProcessResult result;
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) || pipe(out_pipe) || pipe(err_pipe)) return result;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(in_pipe[1]);
    close(out_pipe[0]);
    close(err_pipe[0]);
    if (!workdir.empty() && chdir(workdir.c_str()) != 0) _exit(126);
    for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  // Feed the input while draining both outputs, so that no side blocks on a full pipe.
  size_t written = 0;
  if (input.empty()) close(in_pipe[1]);
  bool in_open = !input.empty();
  fcntl(in_pipe[1], F_SETFL, O_NONBLOCK);
  bool out_open = true, err_open = true;
  char buffer[65536];
  while (out_open || err_open) {
    pollfd fds[3];
    int n = 0;
    int out_i = -1, err_i = -1, in_i = -1;
    if (out_open) {
      fds[n] = {out_pipe[0], POLLIN, 0};
      out_i = n++;
    }
    if (err_open) {
      fds[n] = {err_pipe[0], POLLIN, 0};
      err_i = n++;
    }
    if (in_open) {
      fds[n] = {in_pipe[1], POLLOUT, 0};
      in_i = n++;
    }
    if (poll(fds, n, -1) < 0) break;
    if (out_i >= 0 && fds[out_i].revents) {
      const ssize_t r = read(out_pipe[0], buffer, sizeof(buffer));
      if (r <= 0)
        out_open = false;
      else
        result.Out.append(buffer, static_cast<size_t>(r));
    }
    if (err_i >= 0 && fds[err_i].revents) {
      const ssize_t r = read(err_pipe[0], buffer, sizeof(buffer));
      if (r <= 0)
        err_open = false;
      else
        result.Err.append(buffer, static_cast<size_t>(r));
    }
    if (in_i >= 0 && fds[in_i].revents) {
      const ssize_t w = write(in_pipe[1], input.data() + written, input.size() - written);
      if (w > 0) written += static_cast<size_t>(w);
      if (w < 0 || written == input.size()) {
        close(in_pipe[1]);
        in_open = false;
      }
    }
  }
  if (in_open) close(in_pipe[1]);
  close(out_pipe[0]);
  close(err_pipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TProcessResult RunPallograph(const std::vector<std::string>& args, const std::string& input) {
  std::vector<std::string> all{PallographBinary()};
  all.insert(all.end(), args.begin(), args.end());
  return RunProcess(all, input);
}

TProcessResult RunPythonScript(const std::string& script, const std::vector<std::string>& args) {
  std::vector<std::string> all{PALLOGRAPH_PYTHON, SourceDir() + "/" + script};
  all.insert(all.end(), args.begin(), args.end());
  TProcessResult result = RunProcess(all);
  EXPECT_EQ(result.ExitCode, 0) << script << " failed:\n" << result.Out << result.Err;
  return result;
}

TProcessResult RunPythonCode(const std::string& code, const std::vector<std::string>& args) {
  std::vector<std::string> all{PALLOGRAPH_PYTHON, "-c", code};
  all.insert(all.end(), args.begin(), args.end());
  TProcessResult result = RunProcess(all);
  EXPECT_EQ(result.ExitCode, 0) << "python failed:\n" << result.Out << result.Err;
  return result;
}

}  // namespace pallograph::test
