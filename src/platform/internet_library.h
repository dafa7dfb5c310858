#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/internet_error.h"

// The Internet client library as picture publishing uses it: a session, at most one FTP
// connection made through it (plain or over TLS), changing the remote directory, asking whether
// a remote file exists, putting one file, and the server's last response for errors the server
// itself reported. A TransferMonitor given at login reports each transfer's progress and lets
// another thread cancel any operation of the connection.
//
// Every operation that can fail answers an InternetResult (internet_error.h): its value, or an
// InternetFailure naming the error and what the operation was about, so that the publishing
// module can show its messages for it. Nothing here shows anything to the user, and nothing
// throws for a network or server failure.
namespace scrivlet {

// How a session reaches the Internet.
enum class InternetAccess {
  kDirect,      // straight to the server; proxy settings of the environment are ignored
  kNamedProxy,  // through the proxy named in the request
};

struct InternetOpenRequest {
  // The program's name, sent where the protocol carries one (proxy requests).
  std::string Agent;
  InternetAccess Access = InternetAccess::kDirect;
  // For kNamedProxy: "host:port" (an HTTP proxy, tunnelled), or "scheme://host:port" for the
  // other proxy kinds the implementation knows. Ignored for kDirect.
  std::string Proxy;
};

// Who opens the data connections of an FTP transfer.
enum class FtpMode {
  kActive,   // the server connects back to the client (PORT/EPRT)
  kPassive,  // the client connects to the server (PASV/EPSV); works through firewalls
};

// Whether the FTP connection is encrypted.
enum class FtpSecurity {
  kPlain,  // commands, password and data in clear text
  kTls,    // explicit TLS (AUTH TLS) for the commands and the data, required: a server without
           // it fails the login with InternetError::kTlsNotOffered and is sent no password
};

// Progress of the transfers of one connection and the request to stop them, shared between the
// thread that runs the operations and the user-interface thread that shows progress and offers
// Cancel. All members may be called from any thread.
class TransferMonitor {
 public:
  // Asks the operation under way, and every later one, to stop: they end with
  // InternetError::kCancelled within a fraction of a second.
  void Cancel() { cancelled_ = true; }
  bool CancelRequested() const { return cancelled_; }
  // Forgets an earlier Cancel, for the next publish.
  void Reset() {
    cancelled_ = false;
    sent_ = 0;
    total_ = 0;
  }

  // Set by the library while a file is sent: bytes sent so far and the file's size.
  void ReportSent(std::uint64_t sent, std::uint64_t total) {
    total_ = total;
    sent_ = sent;
  }
  std::uint64_t Sent() const { return sent_; }
  std::uint64_t Total() const { return total_; }

 private:
  std::atomic<bool> cancelled_{false};
  std::atomic<std::uint64_t> sent_{0};
  std::atomic<std::uint64_t> total_{0};
};

struct FtpLogin {
  // "host" or "host:port" (port 21 when none is given); an IPv6 address goes in brackets.
  std::string Server;
  // An empty user name logs in anonymously and ignores the password.
  std::string User;
  std::string Password;
  FtpMode Mode = FtpMode::kPassive;
  FtpSecurity Security = FtpSecurity::kPlain;
  // Observes and may cancel every operation of the connection; null for none. Must outlive the
  // connection.
  TransferMonitor* Monitor = nullptr;
};

// The server's last reply: its number (550) and its last line as sent ("550 No such file.").
struct LastResponseInfo {
  std::int32_t Error = 0;
  std::string Text;
};

// How PutFile writes over a file of the same name.
enum class FtpPutMode {
  kDirect,  // sent under the name itself; a transfer cut short leaves part of the file
  // Sent under a temporary name in the same folder (".<name>.part"), then renamed over the name,
  // so that a transfer that fails or is cancelled leaves the existing file as it was. Needs the
  // right to rename; where the server refuses the rename the upload fails with its reply, the
  // existing file untouched and the temporary one left behind.
  kReplaceWhole,
};

// A logged-in FTP connection. Destroying it logs out and closes it. It keeps its own remote
// current directory; every operation is made in it.
class FtpConnection {
 public:
  virtual ~FtpConnection() = default;

  // Asks the server to make `directory` current: absolute when it begins with "/", otherwise
  // relative to the current one. On failure the current directory stays as it was.
  virtual InternetResult<> SetCurrentDirectory(std::string_view directory) = 0;

  // Sends the local file to the current directory under `remote_name`, replacing a file of that
  // name there. Always a binary transfer: every byte arrives unchanged.
  virtual InternetResult<> PutFile(const std::filesystem::path& local_file,
                                   std::string_view remote_name,
                                   FtpPutMode mode = FtpPutMode::kDirect) = 0;

  // Whether a file `remote_name` exists in the current directory; a failure only when the
  // server could not be asked. A server that cannot tell (no SIZE command) answers true, so that
  // no caller overwrites a file it was not sure about.
  virtual InternetResult<bool> FindFile(std::string_view remote_name) = 0;
};

// A session: the access settings shared by the connections made through it. A connection may
// outlive its session.
class InternetSession {
 public:
  virtual ~InternetSession() = default;

  // Connects to the FTP server and logs in; the connection is never null. The attempt to reach
  // the server is bounded in time (InternetError::kTimeout when it runs out).
  virtual InternetResult<std::unique_ptr<FtpConnection>> ConnectFtp(const FtpLogin& login) = 0;
};

// The library. Sessions and connections keep what they need of it alive; they are used on one
// thread at a time, as is the library (not necessarily the user-interface thread: a caller may
// run an operation on a worker thread while it keeps the interface live, and read LastResponse
// after the worker finished).
class InternetLibrary {
 public:
  virtual ~InternetLibrary() = default;

  // Opens a session, never null; makes no network traffic.
  virtual InternetResult<std::unique_ptr<InternetSession>> Open(
      const InternetOpenRequest& request) = 0;

  // The server's reply to the last command sent through any connection of this library, or an
  // empty Text (and Error 0) when the last operation received none.
  virtual LastResponseInfo LastResponse() const = 0;
};

}  // namespace scrivlet
