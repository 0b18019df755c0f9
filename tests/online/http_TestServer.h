// Runs tests/online/http_server.py on 127.0.0.1 for the length of a test: started in the
// constructor, stopped (its standard input closed, then waited for) in the destructor.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/TestSupport.h"

extern char** environ;

namespace pallograph::test {

class THttpTestServer {
 public:
  explicit THttpTestServer(const std::vector<std::string>& extraArgs = {}) {
    // Loopback requests must not go to a proxy configured on the machine.
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    int in[2], out[2];
    if (pipe(in) != 0) return;
    if (pipe(out) != 0) {
      close(in[0]);
      close(in[1]);
      return;
    }
    std::vector<std::string> args = {PALLOGRAPH_PYTHON,
                                     SourceDir() + "/tests/online/http_server.py"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    if (spawned != 0) {
      pid_ = -1;
      close(out[0]);
      return;
    }
    port_ = ReadPort(out[0]);
    close(out[0]);
  }

  ~THttpTestServer() {
    if (stdin_ >= 0) close(stdin_);
    if (pid_ > 0) {
      // The server leaves when its input closes; give it a few seconds, then end it.
      for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        usleep(50 * 1000);
      }
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  THttpTestServer(const THttpTestServer&) = delete;
  THttpTestServer& operator=(const THttpTestServer&) = delete;

  bool Running() const { return port_ > 0; }
  int Port() const { return port_; }
  std::string Url(const std::string& path, const std::string& scheme = "http") const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  // Reads "PORT <n>\n" within 20 seconds.
  static int ReadPort(int fd) {
    std::string line;
    for (int waited = 0; waited < 200 && line.find('\n') == std::string::npos;) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) {
        ++waited;
        continue;
      }
      char buffer[64];
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got <= 0) break;
      line.append(buffer, static_cast<size_t>(got));
    }
    if (line.rfind("PORT ", 0) != 0) return -1;
    return std::atoi(line.c_str() + 5);
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  int port_ = -1;
};

}  // namespace pallograph::test
