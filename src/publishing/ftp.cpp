#include "publishing/ftp.h"

#include <chrono>
#include <filesystem>

#include "text/util_lib.h"

namespace scrivlet {
namespace {

constexpr std::string_view kRootDirectory = "/";

// Reports a call made without a connection instead of letting it pass for a success.
InternetErrorCode ReportNoConnection(const InternetServices& services, std::string_view context) {
  ReportInternetError(services, kInternetErrorHandleState, context);
  return kInternetErrorHandleState;
}

}  // namespace

InternetErrorCode ChangeFtpDirectory(const InternetServices& services, std::string_view directory) {
  constexpr std::string_view kContext = "Change Directory";
  FtpConnection* const connection = CurrentFtpConnection();
  if (connection == nullptr) {
    return ReportNoConnection(services, kContext);
  }
  const std::string_view target = directory.empty() ? kRootDirectory : directory;
  InternetErrorCode error = kInternetSuccess;
  RunNetworkStep(services, [&] { error = connection->SetCurrentDirectory(target); });
  // A cancel is never taken for success, not even for "/".
  if (error == kInternetErrorCancelled) {
    ReportInternetError(services, error, kContext);
    return error;
  }
  if (error == kInternetSuccess || target == kRootDirectory) {
    return kInternetSuccess;
  }
  ReportInternetError(services, error, kContext);
  return error;
}

InternetErrorCode PutFtpFile(const InternetServices& services, std::string_view local_path,
                             std::string_view remote_directory, std::string_view remote_name,
                             FtpPutMode mode) {
  constexpr std::string_view kContext = "FTP File";
  if (!HasFtpConnection()) {
    return ReportNoConnection(services, kContext);
  }
  const InternetErrorCode directory_error = ChangeFtpDirectory(services, remote_directory);
  if (directory_error != kInternetSuccess) {
    return directory_error;
  }
  // Looked up again: the report of a failure may have closed the connection.
  FtpConnection* const connection = CurrentFtpConnection();
  if (connection == nullptr) {
    return ReportNoConnection(services, kContext);
  }
  const std::filesystem::path local_file(std::string{local_path});
  InternetErrorCode error = kInternetSuccess;
  RunNetworkStep(services, [&] { error = connection->PutFile(local_file, remote_name, mode); });
  if (error != kInternetSuccess) {
    ReportInternetError(services, error, kContext);
  }
  return error;
}

FtpConnection::FileQuery FindFtpFile(const InternetServices& services,
                                     std::string_view remote_directory,
                                     std::string_view remote_name) {
  constexpr std::string_view kContext = "FTP File";
  if (!HasFtpConnection()) {
    return {ReportNoConnection(services, kContext), false};
  }
  const InternetErrorCode directory_error = ChangeFtpDirectory(services, remote_directory);
  if (directory_error != kInternetSuccess) {
    return {directory_error, false};
  }
  FtpConnection* const connection = CurrentFtpConnection();
  if (connection == nullptr) {
    return {ReportNoConnection(services, kContext), false};
  }
  FtpConnection::FileQuery query;
  RunNetworkStep(services, [&] { query = connection->FindFile(remote_name); });
  if (query.Error != kInternetSuccess) {
    ReportInternetError(services, query.Error, kContext);
    query.Exists = false;
  }
  return query;
}

FtpLocation SplitFtpPath(std::string_view location) {
  const std::string work = ReplaceText(location, "\\", "/");
  std::size_t start = 0;
  if (const std::size_t scheme_end = work.find("//"); scheme_end != std::string::npos) {
    start = scheme_end + 2;
  }
  const std::size_t slash = work.find('/', start);
  if (slash == std::string::npos) {
    return {work, std::string(kRootDirectory)};
  }
  std::string_view directory = std::string_view(work).substr(slash);
  if (directory.ends_with('/')) {
    directory.remove_suffix(1);
  }
  // Built whole rather than assigned piecewise: g++ 12 at -O2 warns falsely about overlapping
  // copies when a string that was shortened is assigned again.
  return {work.substr(0, slash),
          directory.empty() ? std::string(kRootDirectory) : std::string(directory)};
}

void Pause(EventLoop& loop, float seconds) {
  // Also false for NaN.
  if (!(seconds > 0.0F)) {
    return;
  }
  const std::chrono::duration<double> wait(seconds);
  const std::chrono::milliseconds start = loop.Now();
  // The loop's clock is steady, so there is no midnight wrap to undo.
  while (std::chrono::duration<double>(loop.Now() - start) < wait) {
    loop.ProcessPendingEvents();
  }
}

}  // namespace scrivlet
