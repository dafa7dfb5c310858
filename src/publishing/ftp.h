#pragma once

#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "publishing/win_inet.h"

// FTP transfer over the owner's connection (win_inet.h), the splitting of an FTP location, and
// a wait that keeps the user interface running.
namespace scrivlet {

// Changes the connection's remote directory; an empty directory means "/". A failure is
// reported as "Change Directory" and returned, except for "/", whose failure (other than a
// cancel) is silent and counts as success. Without a connection it reports and returns
// InternetError::kHandleState.
InternetResult<> ChangeFtpDirectory(const InternetServices& services, std::string_view directory);

// Changes to `remote_directory` (empty means "/") and puts the local file there under
// `remote_name`, in binary. When the directory cannot be entered nothing is sent and that
// failure (already reported) is returned: the file never lands in another folder. A failed put
// is reported as "FTP File". Without a connection it reports and returns kHandleState. `mode`
// says how a file of that name is replaced (see FtpPutMode).
InternetResult<> PutFtpFile(const InternetServices& services, std::string_view local_path,
                            std::string_view remote_directory, std::string_view remote_name,
                            FtpPutMode mode = FtpPutMode::kDirect);

// Changes to `remote_directory` (empty means "/") and answers whether `remote_name` exists
// there. A failure to enter the directory is reported as "Change Directory", one of the question
// as "FTP File", and returned. Without a connection it reports and returns kHandleState.
InternetResult<bool> FindFtpFile(const InternetServices& services,
                                 std::string_view remote_directory, std::string_view remote_name);

// An FTP location split into the server and the remote directory.
struct FtpLocation {
  std::string Host;
  std::string Directory;  // never empty; "/" when the location names none
};

// Splits "host/images/" into "host" and "/images". Backslashes count as slashes; the part after
// a "//" is searched for the first "/", so a leading scheme stays part of the host; one trailing
// "/" of the directory is dropped.
FtpLocation SplitFtpPath(std::string_view location);

// Waits `seconds` on the loop's clock while letting pending events run, so the user interface
// stays live; those events may run any handler. Returns at once for zero, negative or NaN.
void Pause(EventLoop& loop, float seconds);

}  // namespace scrivlet
