#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/internet_library.h"
#include "platform/message_box.h"

// The Internet session of picture publishing: one session and at most one FTP connection,
// shared by every caller in the process, and the reporting of their failures to the user.
//
// The session and the connection are module state; the platform services are passed to each
// call that needs them. Pass the same library to every call while a session is open: the handles
// were made by it. These functions are called on the user-interface thread and show their
// messages there; each network step inside them goes through the services' RunStep, which may
// run it on a worker thread while the interface stays live. None of these functions is safe to
// call from two threads.
//
// Operations answer 0 for success or an error code (see internet_library.h). A failure has been
// shown to the user by the time it is returned; a Yes to the box's "Close Connection and
// Session?" has closed both handles.
namespace scrivlet {

// Runs one network step to its end, returning when it is done. The step touches only the
// library's objects, never the user interface.
using NetworkStepRunner = std::function<void(const std::function<void()>& step)>;

struct InternetServices {
  InternetLibrary& Library;
  MessageBox& Messages;
  // Empty: each step runs on the calling thread.
  NetworkStepRunner RunStep = {};
  // Given to connections made through these services (see FtpLogin::Monitor); may be null.
  TransferMonitor* Monitor = nullptr;
};

// Runs `step` through the services' runner, or directly when they have none.
void RunNetworkStep(const InternetServices& services, const std::function<void()>& step);

// Whether the session, or the FTP connection, is open.
bool HasInternetSession();
bool HasFtpConnection();

// The open FTP connection, owned by this module, or null. Do not keep it across a call that may
// report an error: a Yes in that report closes it.
FtpConnection* CurrentFtpConnection();

// Opens the session (agent "vb wininet"; through `proxy` when it is not empty, else direct),
// unless a session or a connection is already open, in which case it does nothing and returns 0:
// a session left open is reused with its earlier proxy. Failures are reported as "Internet Open".
InternetErrorCode OpenInternet(const InternetServices& services, std::string_view proxy);

// Connects to `server` ("host" or "host:port") and logs in, when a session is open and no
// connection is. With a connection already open it returns 0 and keeps it; otherwise an empty
// server returns -1 at once and shows nothing. Without a session it reports
// kInternetErrorHandleState, so that no caller mistakes a missing session for a connection.
// Failures are reported as "Internet Connect". With FtpSecurity::kTls a server without TLS fails
// with kInternetErrorTlsNotOffered before any password is sent.
InternetErrorCode ConnectFtp(const InternetServices& services, std::string_view server,
                             FtpMode mode, std::string_view user, std::string_view password,
                             FtpSecurity security = FtpSecurity::kPlain);

// Closes the connection if it is open.
void CloseFtpConnection();
// Closes the connection and then the session, each if open.
void CloseInternet();

// Shows a failure: for 12003 first an OK box with the server's reply (context + " Extd Err: " +
// reply number + " " + reply text); for 12007 the OK box "Could not connect to the Internet.",
// which closes both handles; for kInternetErrorCancelled (the user's own cancel) nothing, and
// both handles are closed; otherwise (12003 included) a Yes/No box with context, the code, its
// InternetErrorText and "Close Connection and Session?", whose Yes closes both handles.
void ReportInternetError(const InternetServices& services, InternetErrorCode code,
                         std::string_view context);

// The user's text for an Internet error code; "Error details not available." for codes it does
// not know.
std::string InternetErrorText(InternetErrorCode code);

}  // namespace scrivlet
