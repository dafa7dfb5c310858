#include "publishing/win_inet.h"

#include <utility>

namespace scrivlet {
namespace {

constexpr std::string_view kAgent = "vb wininet";
constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

void RunNetworkStep(const InternetServices& services, const std::function<void()>& step) {
  if (services.RunStep) {
    services.RunStep(step);
  } else {
    step();
  }
}

InternetResult<> OpenInternet(const InternetServices& services, std::string_view proxy) {
  InternetHandles& handles = services.Handles;
  if (handles.HasSession() || handles.HasConnection()) {
    return {};
  }
  InternetOpenRequest request;
  request.Agent = kAgent;
  if (!proxy.empty()) {
    request.Access = InternetAccess::kNamedProxy;
    request.Proxy = proxy;
  }
  InternetResult<std::unique_ptr<InternetSession>> opened = services.Library.Open(request);
  if (!opened) {
    ReportInternetError(services, opened.failure(), "Internet Open");
    return opened.failure();
  }
  handles.Keep(std::move(*opened));
  return {};
}

InternetResult<> ConnectFtp(const InternetServices& services, std::string_view server, FtpMode mode,
                            std::string_view user, std::string_view password,
                            FtpSecurity security) {
  InternetHandles& handles = services.Handles;
  if (handles.HasConnection()) {
    return {};
  }
  if (server.empty()) {
    return InternetError::kNoServer;
  }
  InternetSession* const session = handles.Session();
  if (session == nullptr) {
    const InternetFailure failure(InternetError::kHandleState, server);
    ReportInternetError(services, failure, "Internet Connect");
    return failure;
  }
  const FtpLogin login{
      std::string(server), std::string(user), std::string(password), mode, security,
      services.Monitor};
  InternetResult<std::unique_ptr<FtpConnection>> opened = InternetError::kInternal;
  RunNetworkStep(services, [&] { opened = session->ConnectFtp(login); });
  if (!opened) {
    ReportInternetError(services, opened.failure(), "Internet Connect");
    return opened.failure();
  }
  handles.Keep(std::move(*opened));
  return {};
}

void ReportInternetError(const InternetServices& services, const InternetFailure& failure,
                         std::string_view context) {
  const InternetError error = failure.error();
  if (error == InternetError::kExtended) {
    const LastResponseInfo response = services.Library.LastResponse();
    services.Messages.Show(
        std::string(context) + " Extd Err: " + std::to_string(response.Error) + " " + response.Text,
        MessageBoxStyle{}, "");
  }
  MessageBoxAnswer answer = MessageBoxAnswer::kYes;
  if (error == InternetError::kCancelled) {
    // The user asked for it; there is nothing to explain.
  } else if (error == InternetError::kNameNotResolved) {
    services.Messages.Show("Could not connect to the Internet.", MessageBoxStyle{}, "");
  } else {
    const std::string text = std::string(context) + " Err: " + std::to_string(failure.Number()) +
                             std::string(kLineBreak) + std::string(InternetErrorText(error)) +
                             std::string(kLineBreak) + "Close Connection and Session?";
    answer = services.Messages.Show(
        text, MessageBoxStyle{MessageBoxButtons::kYesNo, MessageBoxIcon::kNone}, "");
  }
  if (answer == MessageBoxAnswer::kYes) {
    services.Handles.Close();
  }
}

}  // namespace scrivlet
