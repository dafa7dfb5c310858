#include "platform/internet_error.h"

namespace scrivlet {

std::string_view InternetErrorText(InternetError error) {
  // Without a default, so that a new error cannot be added without deciding its text.
  switch (error) {
    case InternetError::kOutOfHandles:
      return "No more handles could be generated at this time";
    case InternetError::kTimeout:
      return "The request has timed out.";
    case InternetError::kExtended:
      return "An extended error was returned from the server.";
    case InternetError::kInternal:
      return "An internal error has occurred.";
    case InternetError::kInvalidUrl:
      return "The URL is invalid.";
    case InternetError::kNameNotResolved:
      return "The server name could not be resolved.";
    case InternetError::kLoginRejected:
      return "The request to connect and login to an FTP server could not be completed because "
             "the supplied user name or password is incorrect.";
    case InternetError::kLoginFailure:
      return "The request to connect to and login to an FTP server failed.";
    case InternetError::kCancelled:
      return "The operation was canceled, usually because the handle on which the request was "
             "operating was closed before the operation completed.";
    case InternetError::kHandleState:
      return "The requested operation can not be carried out because the handle supplied is not "
             "in the correct state.";
    case InternetError::kCannotConnect:
      return "The attempt to connect to the server failed.";
    case InternetError::kConnectionAborted:
      return "The connection with the server has been terminated.";
    case InternetError::kCertificateRejected:
      return "The server's certificate is not trusted: it is not signed by a known authority, is "
             "made out to another name, or has expired.";
    case InternetError::kSecureChannel:
      return "A secure (TLS) connection to the server could not be set up.";
    case InternetError::kTlsNotOffered:
      return "The server offers no secure (TLS) connection. Untick \"Secure (TLS)\" to publish "
             "without encryption (the password is then sent in clear text), or ask the server's "
             "administrator to enable FTPS.";
    case InternetError::kLocalFile:
    case InternetError::kUnmapped:
    case InternetError::kNoServer:
      break;
  }
  return "Error details not available.";
}

}  // namespace scrivlet
