#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/temp_dir.h"

extern char** environ;

namespace scrivlet::testing {

// A file descriptor closed when it goes away.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  int get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }

 private:
  int fd_;
};

// Runs a program to its end, its output dropped; throws when it cannot be started or fails.
inline void RunProgram(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    throw std::runtime_error("cannot start " + args[0]);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(args[0] + " failed");
  }
}

// How the test server behaves.
struct FtpTestServerOptions {
  // FTPS (explicit AUTH TLS), required for commands and data, with a certificate for
  // 127.0.0.1 made by openssl at start (CertificateFile).
  bool Tls = false;
  // STOR is accepted and never answered.
  bool StallUploads = false;
};

// The FTP server of ftp_test_server.py (pyftpdlib) on 127.0.0.1 at a free port, serving a fresh
// home folder; stopped and its folder removed when the object goes away. Users: "alice" /
// "s3cret" (may write), "reader" / "readonly" (may only read), anonymous (may write).
class FtpTestServer {
 public:
  explicit FtpTestServer(FtpTestServerOptions options = {}) {
    std::filesystem::create_directory(Home());
    if (options.Tls) {
      MakeCertificate();
    }
    int to_child[2];
    int from_child[2];
    if (::pipe2(to_child, O_CLOEXEC) != 0 || ::pipe2(from_child, O_CLOEXEC) != 0) {
      throw std::runtime_error("cannot create pipes for the FTP server");
    }
    Descriptor child_stdin(to_child[0]);
    stdin_ = std::make_unique<Descriptor>(to_child[1]);
    Descriptor child_stdout(from_child[1]);
    Descriptor output(from_child[0]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_stdin.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, child_stdout.get(), STDOUT_FILENO);
    const std::string home = Home().string();
    const std::string log = LoginLog().string();
    std::vector<std::string> args = {
        SCRIVLET_FTP_PYTHON, SCRIVLET_FTP_TEST_SERVER, "--home", home, "--login-log", log};
    if (options.Tls) {
      args.insert(args.end(), {"--tls", CertificateFile().string()});
    }
    if (options.StallUploads) {
      args.emplace_back("--stall-uploads");
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
      argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      pid_ = -1;
      throw std::runtime_error("cannot start " + args[0]);
    }
    child_stdin.Close();
    child_stdout.Close();
    try {
      port_ = ReadPort(output.get());
    } catch (...) {
      Stop();
      throw;
    }
  }

  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  ~FtpTestServer() { Stop(); }

  std::uint16_t Port() const { return port_; }
  // "127.0.0.1:port", as a server name with a port.
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
  std::filesystem::path Home() const { return root_.path() / "home"; }
  // The server's certificate and key (PEM), for a TLS server; clients trust it as their CA file.
  std::filesystem::path CertificateFile() const { return root_.path() / "server.pem"; }

  // The users who logged in so far, in order.
  std::vector<std::string> Logins() const {
    std::vector<std::string> users;
    std::ifstream in(LoginLog());
    for (std::string line; std::getline(in, line);) {
      users.push_back(line);
    }
    return users;
  }

  std::string ReadRemote(const std::filesystem::path& relative) const {
    std::ifstream in(Home() / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  void Stop() {
    // Closing its input ends the server; the signal is for one that hangs.
    stdin_.reset();
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
    }
  }

  std::filesystem::path LoginLog() const { return root_.path() / "logins.txt"; }

  // A self-signed certificate for 127.0.0.1, valid for a day, with its key in the same file.
  void MakeCertificate() const {
    const std::filesystem::path key = root_.path() / "key.pem";
    const std::filesystem::path certificate = root_.path() / "certificate.pem";
    RunProgram({"/usr/bin/openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                key.string(), "-out", certificate.string()});
    std::ofstream out(CertificateFile(), std::ios::binary);
    out << std::ifstream(key, std::ios::binary).rdbuf()
        << std::ifstream(certificate, std::ios::binary).rdbuf();
  }

  // Reads the server's "PORT n" line, waiting at most 20 seconds for it.
  static std::uint16_t ReadPort(int fd) {
    std::string line;
    while (line.find('\n') == std::string::npos) {
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, 20000) <= 0) {
        throw std::runtime_error("the FTP server did not report its port");
      }
      char buffer[64];
      const ssize_t count = ::read(fd, buffer, sizeof buffer);
      if (count <= 0) {
        throw std::runtime_error("the FTP server ended before listening: " + line);
      }
      line.append(buffer, static_cast<std::size_t>(count));
    }
    if (line.rfind("PORT ", 0) != 0) {
      throw std::runtime_error("unexpected FTP server output: " + line);
    }
    return static_cast<std::uint16_t>(std::stoi(line.substr(5)));
  }

  TempDir root_;
  std::unique_ptr<Descriptor> stdin_;
  pid_t pid_ = -1;
  std::uint16_t port_ = 0;
};

}  // namespace scrivlet::testing
