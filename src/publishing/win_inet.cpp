#include "publishing/win_inet.h"

#include <array>
#include <memory>
#include <utility>

namespace scrivlet {
namespace {

// Module state: the process's one session and its one connection.
std::unique_ptr<InternetSession>& SessionSlot() {
  static std::unique_ptr<InternetSession> session;
  return session;
}

std::unique_ptr<FtpConnection>& ConnectionSlot() {
  static std::unique_ptr<FtpConnection> connection;
  return connection;
}

constexpr std::string_view kAgent = "vb wininet";
constexpr std::string_view kLineBreak = "\r\n";

struct ErrorText {
  InternetErrorCode Code;
  std::string_view Text;
};

// Some texts end with a space; they are shown as the Windows library words them.
constexpr std::array<ErrorText, 35> kErrorTexts{{
    {12001, "No more handles could be generated at this time"},
    {12002, "The request has timed out."},
    {12003, "An extended error was returned from the server."},
    {12004, "An internal error has occurred."},
    {12005, "The URL is invalid."},
    {12006, "The URL scheme could not be recognized, or is not supported."},
    {12007, "The server name could not be resolved."},
    {12008, "The requested protocol could not be located."},
    {12009,
     "A request to InternetQueryOption or InternetSetOption specified an invalid option value."},
    {12010,
     "The length of an option supplied to InternetQueryOption or InternetSetOption is incorrect "
     "for the type of option specified."},
    {12011, "The request option can not be set, only queried. "},
    {12012, "The Win32 Internet support is being shutdown or unloaded."},
    {12013,
     "The request to connect and login to an FTP server could not be completed because the "
     "supplied user name or password is incorrect."},
    {12014,
     "The request to connect and login to an FTP server could not be completed because the "
     "supplied user name or password is incorrect."},
    {12015, "The request to connect to and login to an FTP server failed."},
    {12016, "The requested operation is invalid. "},
    {12017,
     "The operation was canceled, usually because the handle on which the request was operating "
     "was closed before the operation completed."},
    {12018, "The type of handle supplied is incorrect for this operation."},
    {12019,
     "The requested operation can not be carried out because the handle supplied is not in the "
     "correct state."},
    {12020, "The request can not be made via a proxy."},
    {12021, "A required registry value could not be located. "},
    {12022,
     "A required registry value was located but is an incorrect type or has an invalid value."},
    {12023, "Direct network access cannot be made at this time. "},
    {12024, "An asynchronous request could not be made because a zero context value was supplied."},
    {12025,
     "An asynchronous request could not be made because a callback function has not been set."},
    {12026,
     "The required operation could not be completed because one or more requests are pending."},
    {12027, "The format of the request is invalid."},
    {12028, "The requested item could not be located."},
    {12029, "The attempt to connect to the server failed."},
    {12030, "The connection with the server has been terminated."},
    {12031, "The connection with the server has been reset."},
    {12036, "The request failed because the handle already exists."},
    {12045,
     "The server's certificate is not trusted: it is not signed by a known authority, is made "
     "out to another name, or has expired."},
    {12157, "A secure (TLS) connection to the server could not be set up."},
    {12250,
     "The server offers no secure (TLS) connection. Untick \"Secure (TLS)\" to publish without "
     "encryption (the password is then sent in clear text), or ask the server's administrator "
     "to enable FTPS."},
}};

}  // namespace

void RunNetworkStep(const InternetServices& services, const std::function<void()>& step) {
  if (services.RunStep) {
    services.RunStep(step);
  } else {
    step();
  }
}

bool HasInternetSession() {
  return SessionSlot() != nullptr;
}

bool HasFtpConnection() {
  return ConnectionSlot() != nullptr;
}

FtpConnection* CurrentFtpConnection() {
  return ConnectionSlot().get();
}

InternetErrorCode OpenInternet(const InternetServices& services, std::string_view proxy) {
  if (HasInternetSession() || HasFtpConnection()) {
    return kInternetSuccess;
  }
  InternetOpenRequest request;
  request.Agent = kAgent;
  if (!proxy.empty()) {
    request.Access = InternetAccess::kNamedProxy;
    request.Proxy = proxy;
  }
  OpenedInternetSession opened = services.Library.Open(request);
  if (opened.Error != kInternetSuccess || !opened.Session) {
    const InternetErrorCode error =
        opened.Error != kInternetSuccess ? opened.Error : kInternetErrorInternal;
    ReportInternetError(services, error, "Internet Open");
    return error;
  }
  SessionSlot() = std::move(opened.Session);
  return kInternetSuccess;
}

InternetErrorCode ConnectFtp(const InternetServices& services, std::string_view server,
                             FtpMode mode, std::string_view user, std::string_view password,
                             FtpSecurity security) {
  if (HasFtpConnection()) {
    return kInternetSuccess;
  }
  if (server.empty()) {
    return -1;
  }
  if (!HasInternetSession()) {
    ReportInternetError(services, kInternetErrorHandleState, "Internet Connect");
    return kInternetErrorHandleState;
  }
  const FtpLogin login{
      std::string(server), std::string(user), std::string(password), mode, security,
      services.Monitor};
  InternetSession& session = *SessionSlot();
  OpenedFtpConnection opened;
  RunNetworkStep(services, [&] { opened = session.ConnectFtp(login); });
  if (opened.Error != kInternetSuccess || !opened.Connection) {
    const InternetErrorCode error =
        opened.Error != kInternetSuccess ? opened.Error : kInternetErrorInternal;
    ReportInternetError(services, error, "Internet Connect");
    return error;
  }
  ConnectionSlot() = std::move(opened.Connection);
  return kInternetSuccess;
}

void CloseFtpConnection() {
  ConnectionSlot().reset();
}

void CloseInternet() {
  ConnectionSlot().reset();
  SessionSlot().reset();
}

void ReportInternetError(const InternetServices& services, InternetErrorCode code,
                         std::string_view context) {
  const std::string code_text = std::to_string(code);
  if (code == kInternetErrorExtended) {
    const LastResponseInfo response = services.Library.LastResponse();
    services.Messages.Show(
        std::string(context) + " Extd Err: " + std::to_string(response.Error) + " " + response.Text,
        MessageBoxStyle{}, "");
  }
  MessageBoxAnswer answer = MessageBoxAnswer::kYes;
  if (code == kInternetErrorCancelled) {
    // The user asked for it; there is nothing to explain.
  } else if (code == kInternetErrorNameNotResolved) {
    services.Messages.Show("Could not connect to the Internet.", MessageBoxStyle{}, "");
  } else {
    const std::string text = std::string(context) + " Err: " + code_text + std::string(kLineBreak) +
                             InternetErrorText(code) + std::string(kLineBreak) +
                             "Close Connection and Session?";
    answer = services.Messages.Show(
        text, MessageBoxStyle{MessageBoxButtons::kYesNo, MessageBoxIcon::kNone}, "");
  }
  if (answer == MessageBoxAnswer::kYes) {
    CloseInternet();
  }
}

std::string InternetErrorText(InternetErrorCode code) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.Code == code) {
      return std::string(entry.Text);
    }
  }
  return "Error details not available.";
}

}  // namespace scrivlet
