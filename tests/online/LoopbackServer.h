// Runs tests/online/loopback_server.py on 127.0.0.1 for the length of a test: a file server
// (update files, config files), optionally slow, and a statistics collector that records what is
// posted to it. Started in the constructor, stopped (GET /quit, then waited for) in the
// destructor. Header-only: the end-to-end tests use it too.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"

namespace pallograph::test {

class TLoopbackServer {
 public:
  // `args` are the script's options other than --port-file and --hits; the root folder for
  // files is RootFolder().
  explicit TLoopbackServer(const std::vector<std::string>& args = {}) {
    // Loopback requests must not go to a proxy configured on the machine.
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    std::filesystem::create_directories(RootFolder());
    std::vector<std::string> all = {
        PALLOGRAPH_PYTHON, SourceDir() + "/tests/online/loopback_server.py",
        "--port-file",     dir_.Native("port"),
        "--hits",          HitsFile(),
        "--root",          RootFolder()};
    all.insert(all.end(), args.begin(), args.end());
    thread_ = std::thread([all] { RunProcess(all); });
    for (int i = 0; i < 400 && port_ <= 0; ++i) {
      std::ifstream in(dir_.Native("port"));
      if (!(in >> port_)) {
        port_ = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
  }

  ~TLoopbackServer() {
    if (port_ > 0) Quit();
    thread_.join();
  }

  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  bool Running() const { return port_ > 0; }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string Url(const std::string& path = "/") const { return "http://" + Host() + path; }
  // Native folder whose files the server hands out.
  std::string RootFolder() const { return dir_.Native("root"); }
  void AddFile(const std::string& name, const std::string& text) const {
    WriteText(RootFolder() + "/" + name, text);
  }
  // How the server answers for a name instead of handing out its file (loopback_server.py:
  // "trickle", "silent", "status 500", "redirect-loop", "truncated", "size 20000000").
  void SetMode(const std::string& name, const std::string& mode) const {
    WriteText(RootFolder() + "/" + name + ".mode", mode);
  }
  void ClearMode(const std::string& name) const {
    std::filesystem::remove(RootFolder() + "/" + name + ".mode");
  }
  // Native path of the file the server writes when a name is asked for.
  std::string AskedMark(const std::string& name) const {
    return RootFolder() + "/" + name + ".asked";
  }
  std::string HitsFile() const { return dir_.Native("hits.txt"); }

  // One recorded post: path, body and headers.
  struct RPost {
    std::string Path, Body, UserAgent, ContentType, AcceptCharset;
  };
  std::vector<RPost> Posts() const {
    std::vector<RPost> posts;
    std::ifstream in(HitsFile());
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> fields;
      std::stringstream split(line);
      std::string field;
      while (std::getline(split, field, '\t')) fields.push_back(field);
      fields.resize(5);
      posts.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
    }
    return posts;
  }

 private:
  // Sends "GET /quit" over a plain socket, so the helper needs no HTTP library.
  void Quit() const {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      const std::string request = "GET /quit HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
      if (write(fd, request.data(), request.size()) > 0) {
        char buffer[256];
        while (read(fd, buffer, sizeof buffer) > 0) {
        }
      }
    }
    close(fd);
  }

  TTempDir dir_;
  std::thread thread_;
  int port_ = -1;
};

}  // namespace pallograph::test
