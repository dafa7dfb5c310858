#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/internet_library.h"
#include "platform/message_box.h"

// The Internet session of picture publishing: one owner's session and at most one FTP
// connection, and the reporting of their failures to the user.
//
// Each control owns its InternetHandles and hands them to these calls in InternetServices, with
// the platform services; two controls never share a session. Pass the same library to every
// call while a session is open: the handles were made by it. These functions are called on the
// user-interface thread and show their messages there; each network step inside them goes
// through the services' RunStep, which may run it on a worker thread while the interface stays
// live. None of these functions is safe to call from two threads.
//
// A failure has been shown to the user by the time it is returned; a Yes to the box's "Close
// Connection and Session?" has closed both handles.
namespace scrivlet {

// The session and the connection made through it, each open or not; destroying them closes
// them (the connection first). OpenInternet and ConnectFtp fill them.
class InternetHandles {
 public:
  InternetHandles() = default;
  InternetHandles(const InternetHandles&) = delete;
  InternetHandles& operator=(const InternetHandles&) = delete;
  ~InternetHandles() { Close(); }

  bool HasSession() const { return session_ != nullptr; }
  bool HasConnection() const { return connection_ != nullptr; }
  // The open session, or null.
  InternetSession* Session() const { return session_.get(); }
  // The open FTP connection, or null. Do not keep it across a call that may report an error: a
  // Yes in that report closes it.
  FtpConnection* Connection() const { return connection_.get(); }

  void Keep(std::unique_ptr<InternetSession> session) { session_ = std::move(session); }
  void Keep(std::unique_ptr<FtpConnection> connection) { connection_ = std::move(connection); }
  // Closes the connection if it is open.
  void CloseConnection() { connection_.reset(); }
  // Closes the connection and then the session, each if open.
  void Close() {
    connection_.reset();
    session_.reset();
  }

 private:
  std::unique_ptr<InternetSession> session_;
  // After the session, so that it is closed first.
  std::unique_ptr<FtpConnection> connection_;
};

// Runs one network step to its end, returning when it is done. The step touches only the
// library's objects, never the user interface.
using NetworkStepRunner = std::function<void(const std::function<void()>& step)>;

struct InternetServices {
  InternetLibrary& Library;
  MessageBox& Messages;
  // The owner's session and connection: what these calls open, use and close.
  InternetHandles& Handles;
  // Empty: each step runs on the calling thread.
  NetworkStepRunner RunStep = {};
  // Given to connections made through these services (see FtpLogin::Monitor); may be null.
  TransferMonitor* Monitor = nullptr;
};

// Runs `step` through the services' runner, or directly when they have none.
void RunNetworkStep(const InternetServices& services, const std::function<void()>& step);

// Opens the session (agent "vb wininet"; through `proxy` when it is not empty, else direct),
// unless a session or a connection is already open, in which case it does nothing and succeeds:
// a session left open is reused with its earlier proxy. Failures are reported as "Internet Open".
InternetResult<> OpenInternet(const InternetServices& services, std::string_view proxy);

// Connects to `server` ("host" or "host:port") and logs in, when a session is open and no
// connection is. With a connection already open it succeeds and keeps it; otherwise an empty
// server fails with InternetError::kNoServer at once and shows nothing. Without a session it
// reports kHandleState, so that no caller mistakes a missing session for a connection. Failures
// are reported as "Internet Connect". With FtpSecurity::kTls a server without TLS fails with
// kTlsNotOffered before any password is sent.
InternetResult<> ConnectFtp(const InternetServices& services, std::string_view server, FtpMode mode,
                            std::string_view user, std::string_view password,
                            FtpSecurity security = FtpSecurity::kPlain);

// Shows a failure: for kExtended first an OK box with the server's reply (context + " Extd Err: "
// + reply number + " " + reply text); for kNameNotResolved the OK box "Could not connect to the
// Internet.", which closes both handles; for kCancelled (the user's own cancel) nothing, and both
// handles are closed; otherwise (kExtended included) a Yes/No box with context, the failure's
// number, its InternetErrorText and "Close Connection and Session?", whose Yes closes both
// handles.
void ReportInternetError(const InternetServices& services, const InternetFailure& failure,
                         std::string_view context);

}  // namespace scrivlet
