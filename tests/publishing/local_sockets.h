#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace scrivlet::testing {

// A TCP socket on 127.0.0.1 at a free port, closed when it goes away. Listening, it completes
// connections (the kernel's backlog) but never accepts or answers them: a server that hangs.
class LocalSocket {
 public:
  enum class Mode { kBound, kListening };

  explicit LocalSocket(Mode mode) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        (mode == Mode::kListening && ::listen(fd_, 4) != 0)) {
      Close();
      throw std::runtime_error("cannot open a local socket");
    }
    port_ = ntohs(address.sin_port);
  }
  LocalSocket(const LocalSocket&) = delete;
  LocalSocket& operator=(const LocalSocket&) = delete;
  ~LocalSocket() { Close(); }

  std::uint16_t Port() const { return port_; }

  void Close() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }

 private:
  int fd_;
  std::uint16_t port_ = 0;
};

// "127.0.0.1:port" of a port that nothing listens on: taken, then given back.
inline std::string ClosedLocalAddress() {
  LocalSocket socket(LocalSocket::Mode::kBound);
  return "127.0.0.1:" + std::to_string(socket.Port());
}

}  // namespace scrivlet::testing
