#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "platform/internet_library.h"

// The Internet library over libcurl.
namespace scrivlet {

// Bounds on how long a network step may take before it fails with InternetError::kTimeout.
struct CurlTimeouts {
  // Reaching the server, through the greeting and the login.
  std::chrono::milliseconds Connect{30000};
  // Waiting for the server's reply to one command.
  std::chrono::milliseconds ServerResponse{60000};
  // Waiting for the server to connect back for an active-mode transfer.
  std::chrono::milliseconds ActiveAccept{30000};
  // A transfer that moves less than one byte a second for this long is abandoned.
  std::chrono::seconds Stall{60};
};

// Whom a secure connection trusts.
struct CurlTrust {
  // Certificate authorities in a PEM file, instead of the system's; empty for the system's.
  std::filesystem::path CaFile;
};

// Each FTP connection is one libcurl easy handle run on its own multi handle, whose connection
// cache keeps the control connection open between operations: the user logs in once per
// connection (libcurl logs in again by itself if the server dropped an idle connection). Uploads
// use TYPE I. The remote directory is changed with one CWD of the whole path, so "/images" means
// the server's /images.
//
// libcurl results map to InternetErrors: unresolvable host or proxy kNameNotResolved, refused or
// failed connection kCannotConnect, timeout kTimeout, rejected login kLoginRejected, a command
// the server refused (missing directory, refused upload, full disk) kExtended with LastResponse
// holding the reply, a connection dropped mid-way kConnectionAborted, an unreadable local file
// kLocalFile, a bad server name or path kInvalidUrl, a server that refuses AUTH TLS when TLS is
// required kTlsNotOffered, an untrusted certificate kCertificateRejected, another TLS failure
// kSecureChannel, a cancel through the monitor kCancelled; others kUnmapped with the libcurl
// result number as its cause. Each failure names the server, folder, file or proxy it was about.
//
// With FtpSecurity::kTls the control and data connections are both encrypted (CURLUSESSL_ALL)
// and the server's certificate and name are checked against the trusted authorities.
class CurlInternetLibrary final : public InternetLibrary {
 public:
  // Initialises libcurl (once per process, counted). Throws std::runtime_error when it cannot.
  explicit CurlInternetLibrary(CurlTimeouts timeouts = {}, CurlTrust trust = {});
  ~CurlInternetLibrary() override;
  CurlInternetLibrary(const CurlInternetLibrary&) = delete;
  CurlInternetLibrary& operator=(const CurlInternetLibrary&) = delete;

  InternetResult<std::unique_ptr<InternetSession>> Open(
      const InternetOpenRequest& request) override;
  LastResponseInfo LastResponse() const override;

  // The shared state behind the library, its sessions and connections.
  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace scrivlet
