#include "publishing/ftp.h"

#include <chrono>
#include <filesystem>

#include "text/util_lib.h"

namespace scrivlet {
namespace {

constexpr std::string_view kRootDirectory = "/";

// Reports a call made without a connection instead of letting it pass for a success.
InternetFailure ReportNoConnection(const InternetServices& services, std::string_view context) {
  const InternetFailure failure(InternetError::kHandleState);
  ReportInternetError(services, failure, context);
  return failure;
}

}  // namespace

InternetResult<> ChangeFtpDirectory(const InternetServices& services, std::string_view directory) {
  constexpr std::string_view kContext = "Change Directory";
  FtpConnection* const connection = services.Handles.Connection();
  if (connection == nullptr) {
    return ReportNoConnection(services, kContext);
  }
  const std::string_view target = directory.empty() ? kRootDirectory : directory;
  InternetResult<> changed;
  RunNetworkStep(services, [&] { changed = connection->SetCurrentDirectory(target); });
  // A cancel is never taken for success, not even for "/".
  if (changed.ok() ||
      (target == kRootDirectory && changed.failure().error() != InternetError::kCancelled)) {
    return {};
  }
  ReportInternetError(services, changed.failure(), kContext);
  return changed;
}

InternetResult<> PutFtpFile(const InternetServices& services, std::string_view local_path,
                            std::string_view remote_directory, std::string_view remote_name,
                            FtpPutMode mode) {
  constexpr std::string_view kContext = "FTP File";
  if (!services.Handles.HasConnection()) {
    return ReportNoConnection(services, kContext);
  }
  if (InternetResult<> entered = ChangeFtpDirectory(services, remote_directory); !entered) {
    return entered;
  }
  // Looked up again: the report of a failure may have closed the connection.
  FtpConnection* const connection = services.Handles.Connection();
  if (connection == nullptr) {
    return ReportNoConnection(services, kContext);
  }
  const std::filesystem::path local_file(std::string{local_path});
  InternetResult<> sent;
  RunNetworkStep(services, [&] { sent = connection->PutFile(local_file, remote_name, mode); });
  if (!sent) {
    ReportInternetError(services, sent.failure(), kContext);
  }
  return sent;
}

InternetResult<bool> FindFtpFile(const InternetServices& services,
                                 std::string_view remote_directory, std::string_view remote_name) {
  constexpr std::string_view kContext = "FTP File";
  if (!services.Handles.HasConnection()) {
    return ReportNoConnection(services, kContext);
  }
  if (InternetResult<> entered = ChangeFtpDirectory(services, remote_directory); !entered) {
    return entered.failure();
  }
  FtpConnection* const connection = services.Handles.Connection();
  if (connection == nullptr) {
    return ReportNoConnection(services, kContext);
  }
  InternetResult<bool> found = InternetError::kInternal;
  RunNetworkStep(services, [&] { found = connection->FindFile(remote_name); });
  if (!found) {
    ReportInternetError(services, found.failure(), kContext);
  }
  return found;
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
