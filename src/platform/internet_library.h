#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

// The Internet client library as picture publishing uses it: a session, at most one FTP
// connection made through it, changing the remote directory, putting one file, and the server's
// last response for errors the server itself reported.
//
// Every operation that can fail answers an InternetErrorCode: 0 for success, otherwise a number
// in the Windows Internet library's space (12001 upward) where one fits, so that the publishing
// module can show its messages for them. Nothing here shows anything to the user, and nothing
// throws for a network or server failure.
namespace scrivlet {

using InternetErrorCode = std::int32_t;

inline constexpr InternetErrorCode kInternetSuccess = 0;
// The local file to upload cannot be opened or read (the system's "file not found" number).
inline constexpr InternetErrorCode kInternetErrorLocalFile = 2;
inline constexpr InternetErrorCode kInternetErrorOutOfHandles = 12001;
inline constexpr InternetErrorCode kInternetErrorTimeout = 12002;
// The server refused a command; LastResponse tells its reply.
inline constexpr InternetErrorCode kInternetErrorExtended = 12003;
inline constexpr InternetErrorCode kInternetErrorInternal = 12004;
// A server name, path or file name that cannot be sent (bad characters, bad port).
inline constexpr InternetErrorCode kInternetErrorInvalidUrl = 12005;
inline constexpr InternetErrorCode kInternetErrorNameNotResolved = 12007;
// The server rejected the user name or password, or they cannot be sent.
inline constexpr InternetErrorCode kInternetErrorLoginRejected = 12014;
inline constexpr InternetErrorCode kInternetErrorLoginFailure = 12015;
inline constexpr InternetErrorCode kInternetErrorCancelled = 12017;
// An operation that needs an open session or connection found none.
inline constexpr InternetErrorCode kInternetErrorHandleState = 12019;
inline constexpr InternetErrorCode kInternetErrorCannotConnect = 12029;
inline constexpr InternetErrorCode kInternetErrorConnectionAborted = 12030;
// Failures with no number of their own are reported as this base plus the implementation's own
// cause number, outside the numbers the publishing module has texts for.
inline constexpr InternetErrorCode kInternetErrorUnmappedBase = 12300;

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

struct FtpLogin {
  // "host" or "host:port" (port 21 when none is given); an IPv6 address goes in brackets.
  std::string Server;
  // An empty user name logs in anonymously and ignores the password.
  std::string User;
  std::string Password;
  FtpMode Mode = FtpMode::kPassive;
};

// The server's last reply: its number (550) and its last line as sent ("550 No such file.").
struct LastResponseInfo {
  std::int32_t Error = 0;
  std::string Text;
};

// A logged-in FTP connection. Destroying it logs out and closes it. It keeps its own remote
// current directory; every operation is made in it.
class FtpConnection {
 public:
  virtual ~FtpConnection() = default;

  // Asks the server to make `directory` current: absolute when it begins with "/", otherwise
  // relative to the current one. On failure the current directory stays as it was.
  virtual InternetErrorCode SetCurrentDirectory(std::string_view directory) = 0;

  // Sends the local file to the current directory under `remote_name`, replacing a file of that
  // name there. Always a binary transfer: every byte arrives unchanged.
  virtual InternetErrorCode PutFile(const std::filesystem::path& local_file,
                                    std::string_view remote_name) = 0;
};

struct OpenedFtpConnection {
  std::unique_ptr<FtpConnection> Connection;  // null on failure
  InternetErrorCode Error = kInternetSuccess;
};

// A session: the access settings shared by the connections made through it. A connection may
// outlive its session.
class InternetSession {
 public:
  virtual ~InternetSession() = default;

  // Connects to the FTP server and logs in. The attempt to reach the server is bounded in time
  // (kInternetErrorTimeout when it runs out).
  virtual OpenedFtpConnection ConnectFtp(const FtpLogin& login) = 0;
};

struct OpenedInternetSession {
  std::unique_ptr<InternetSession> Session;  // null on failure
  InternetErrorCode Error = kInternetSuccess;
};

// The library. Sessions and connections keep what they need of it alive; they are used on one
// thread at a time, as is the library.
class InternetLibrary {
 public:
  virtual ~InternetLibrary() = default;

  // Opens a session; makes no network traffic.
  virtual OpenedInternetSession Open(const InternetOpenRequest& request) = 0;

  // The server's reply to the last command sent through any connection of this library, or an
  // empty Text (and Error 0) when the last operation received none.
  virtual LastResponseInfo LastResponse() const = 0;
};

}  // namespace scrivlet
