#include "hosts/curl/curl_internet_library.h"

// GCC 12 at -O3 reports a false overlap in std::string's concatenation (its bug 105329).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "text/util_lib.h"

namespace scrivlet {
namespace {

// libcurl's functions, from the library opened when the first Internet library is made rather
// than linked: libcurl brings some thirty shared libraries (TLS, Kerberos, LDAP, ...) that every
// program on the hosts' library would otherwise map at start, the command-line tool converting a
// file among them, although only FTP publishing calls it. Calling through this table, not
// through functions named as libcurl's, leaves a host that links libcurl itself undisturbed.
struct CurlApi {
  decltype(&::curl_global_init) global_init;
  decltype(&::curl_global_cleanup) global_cleanup;
  decltype(&::curl_easy_init) easy_init;
  decltype(&::curl_easy_cleanup) easy_cleanup;
  decltype(&::curl_easy_setopt) easy_setopt;
  decltype(&::curl_multi_init) multi_init;
  decltype(&::curl_multi_cleanup) multi_cleanup;
  decltype(&::curl_multi_add_handle) multi_add_handle;
  decltype(&::curl_multi_remove_handle) multi_remove_handle;
  decltype(&::curl_multi_perform) multi_perform;
  decltype(&::curl_multi_poll) multi_poll;
  decltype(&::curl_multi_info_read) multi_info_read;
  decltype(&::curl_slist_append) slist_append;
  decltype(&::curl_slist_free_all) slist_free_all;
};

// The run-time name of Debian's libcurl (ABI 4 since libcurl 7.16).
constexpr const char* kCurlLibraryName = "libcurl.so.4";

template <typename Function>
void LoadFunction(void* library, const char* name, Function& to) {
  void* const address = dlsym(library, name);
  if (address == nullptr) {
    throw std::runtime_error(std::string("libcurl has no ") + name);
  }
  to = reinterpret_cast<Function>(address);
}

// Opens libcurl and reads its functions. Throws std::runtime_error when it cannot. The library
// stays open for the rest of the process: libcurl's global state outlives its cleanup.
CurlApi LoadCurlApi() {
  void* const library = dlopen(kCurlLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* const reason = dlerror();
    throw std::runtime_error(std::string("libcurl could not be loaded: ") +
                             (reason != nullptr ? reason : kCurlLibraryName));
  }
  CurlApi api{};
  LoadFunction(library, "curl_global_init", api.global_init);
  LoadFunction(library, "curl_global_cleanup", api.global_cleanup);
  LoadFunction(library, "curl_easy_init", api.easy_init);
  LoadFunction(library, "curl_easy_cleanup", api.easy_cleanup);
  LoadFunction(library, "curl_easy_setopt", api.easy_setopt);
  LoadFunction(library, "curl_multi_init", api.multi_init);
  LoadFunction(library, "curl_multi_cleanup", api.multi_cleanup);
  LoadFunction(library, "curl_multi_add_handle", api.multi_add_handle);
  LoadFunction(library, "curl_multi_remove_handle", api.multi_remove_handle);
  LoadFunction(library, "curl_multi_perform", api.multi_perform);
  LoadFunction(library, "curl_multi_poll", api.multi_poll);
  LoadFunction(library, "curl_multi_info_read", api.multi_info_read);
  LoadFunction(library, "curl_slist_append", api.slist_append);
  LoadFunction(library, "curl_slist_free_all", api.slist_free_all);
  return api;
}

// The table, loaded at the first call; constant afterwards, so threads may share it (C++
// initialises a function's static once). Throws as LoadCurlApi while it cannot be loaded.
const CurlApi& Curl() {
  static const CurlApi api = LoadCurlApi();
  return api;
}

// Keeps libcurl initialised while anything of the library lives; libcurl counts the calls.
class CurlGlobal {
 public:
  CurlGlobal() {
    if (Curl().global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      throw std::runtime_error("libcurl could not be initialised");
    }
  }
  ~CurlGlobal() { Curl().global_cleanup(); }
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
};

struct EasyCleanup {
  void operator()(CURL* easy) const { Curl().easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

// Cleaning up the multi handle closes the connections it keeps (FTP sends QUIT).
struct MultiCleanup {
  void operator()(CURLM* multi) const { Curl().multi_cleanup(multi); }
};
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;

// libcurl 7.88 sometimes starts a passive data connection only when its wait for events times
// out, after a second; waking at least this often keeps that to a few milliseconds.
constexpr int kLongestWaitMs = 10;

// Runs one transfer of `easy` on `multi`, whose connection cache keeps the logged-in control
// connection between transfers. A cancel through `monitor` is also seen between waits, so it
// takes effect while libcurl is still connecting and calls no progress function.
CURLcode PerformOn(CURLM* multi, CURL* easy, const TransferMonitor* monitor) {
  if (Curl().multi_add_handle(multi, easy) != CURLM_OK) {
    return CURLE_FAILED_INIT;
  }
  CURLcode result = CURLE_FAILED_INIT;
  for (;;) {
    int running = 0;
    if (Curl().multi_perform(multi, &running) != CURLM_OK) {
      break;
    }
    if (running == 0) {
      int queued = 0;
      while (const CURLMsg* message = Curl().multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
          result = message->data.result;
        }
      }
      break;
    }
    if (Curl().multi_poll(multi, nullptr, 0, kLongestWaitMs, nullptr) != CURLM_OK) {
      break;
    }
    if (monitor != nullptr && monitor->CancelRequested()) {
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
  }
  Curl().multi_remove_handle(multi, easy);
  return result;
}

struct ListFree {
  void operator()(curl_slist* list) const { Curl().slist_free_all(list); }
};
using CommandList = std::unique_ptr<curl_slist, ListFree>;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

bool HasControlCharacter(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      return true;
    }
  }
  return false;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (a != prefix[i]) {
      return false;
    }
  }
  return true;
}

bool IsValidPort(std::string_view port) {
  if (port.empty() || port.size() > 5) {
    return false;
  }
  long value = 0;
  for (const char c : port) {
    if (!IsAsciiDigit(c)) {
      return false;
    }
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 65535;
}

bool IsHostNameCharacter(char c) {
  const auto byte = static_cast<unsigned char>(c);
  // Bytes above ASCII are the UTF-8 of an international name, which libcurl converts.
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsAsciiDigit(c) || c == '-' ||
         c == '.' || c == '_' || byte >= 0x80;
}

bool IsIpv6Character(char c) {
  return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
         c == '.';
}

// The "host:port" part of the URL for a server name, or nothing when the name is not one. Only
// plain host names, addresses and ports pass, so that no name can smuggle a user, path or
// query into the URL. A leading "ftp://" is accepted, as users often write one.
std::optional<std::string> UrlAuthority(std::string_view server) {
  if (StartsWithNoCase(server, "ftp://")) {
    server.remove_prefix(6);
  }
  std::string_view host = server;
  std::string_view port = "21";
  if (!server.empty() && server.front() == '[') {
    const std::size_t close = server.find(']');
    if (close == std::string_view::npos || close == 1) {
      return std::nullopt;
    }
    host = server.substr(0, close + 1);
    for (const char c : host.substr(1, host.size() - 2)) {
      if (!IsIpv6Character(c)) {
        return std::nullopt;
      }
    }
    const std::string_view rest = server.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') {
        return std::nullopt;
      }
      port = rest.substr(1);
    }
  } else {
    if (const std::size_t colon = server.find(':'); colon != std::string_view::npos) {
      host = server.substr(0, colon);
      port = server.substr(colon + 1);
    }
    if (host.empty()) {
      return std::nullopt;
    }
    for (const char c : host) {
      if (!IsHostNameCharacter(c)) {
        return std::nullopt;
      }
    }
  }
  if (!IsValidPort(port)) {
    return std::nullopt;
  }
  return std::string(host) + ":" + std::string(port);
}

bool IsUnreserved(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsAsciiDigit(c) || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// The URL path for a path as the server should see it. libcurl drops the URL path's first "/"
// and decodes the rest, so a path that is absolute on the server starts with "%2F".
std::string UrlPath(std::string_view server_path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "/";
  for (std::size_t i = 0; i < server_path.size(); ++i) {
    const char c = server_path[i];
    if (IsUnreserved(c) || (c == '/' && i > 0)) {
      url += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 0x0F];
    }
  }
  return url;
}

// The directory `directory` names when `current` is the current one ("" = the login folder).
std::string ResolveDirectory(std::string_view current, std::string_view directory) {
  if (directory.empty()) {
    return std::string(current);
  }
  if (directory.front() == '/' || current.empty()) {
    return std::string(directory);
  }
  std::string resolved(current);
  if (resolved.back() != '/') {
    resolved += '/';
  }
  resolved += directory;
  return resolved;
}

// The server path of `name` in `directory`; libcurl turns its directory part into one CWD.
std::string PathIn(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (!path.empty() && path.back() != '/') {
    path += '/';
  }
  path += name;
  return path;
}

// The InternetError for a libcurl result other than CURLE_OK, named by the value it was about.
InternetFailure MapCurlResult(CURLcode result, std::string_view value) {
  const auto failure = [value](InternetError error) { return InternetFailure(error, value); };
  switch (result) {
    case CURLE_URL_MALFORMAT:
      return failure(InternetError::kInvalidUrl);
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
      return failure(InternetError::kNameNotResolved);
    case CURLE_COULDNT_CONNECT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_ACCEPT_FAILED:
      return failure(InternetError::kCannotConnect);
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
      return failure(InternetError::kTimeout);
    case CURLE_LOGIN_DENIED:
      return failure(InternetError::kLoginRejected);
    case CURLE_FTP_WEIRD_PASS_REPLY:
      return failure(InternetError::kLoginFailure);
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_QUOTE_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_PRET_FAILED:
      return failure(InternetError::kExtended);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      return failure(InternetError::kConnectionAborted);
    case CURLE_READ_ERROR:
      return failure(InternetError::kLocalFile);
    case CURLE_OUT_OF_MEMORY:
      return failure(InternetError::kInternal);
    case CURLE_USE_SSL_FAILED:
      return failure(InternetError::kTlsNotOffered);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
      return failure(InternetError::kCertificateRejected);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED:
      return failure(InternetError::kSecureChannel);
    case CURLE_ABORTED_BY_CALLBACK:
      return failure(InternetError::kCancelled);
    default:
      return InternetFailure::Unmapped(static_cast<std::int32_t>(result), value);
  }
}

}  // namespace

struct CurlInternetLibrary::State {
  State(CurlTimeouts bounds, CurlTrust trusted) : timeouts(bounds), trust(std::move(trusted)) {}

  CurlGlobal global;
  CurlTimeouts timeouts;
  CurlTrust trust;
  LastResponseInfo last_response;
};

namespace {

using State = CurlInternetLibrary::State;

// Keeps the last line of each server reply. libcurl hands FTP replies to the header callback.
std::size_t RecordResponseLine(char* data, std::size_t size, std::size_t count, void* user) {
  const std::size_t length = size * count;
  std::string_view line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  // Continuation lines of a multi-line reply carry no number; the reply's last line does.
  if (line.size() >= 3 && IsAsciiDigit(line[0]) && IsAsciiDigit(line[1]) && IsAsciiDigit(line[2]) &&
      (line.size() == 3 || line[3] == ' ' || line[3] == '-')) {
    auto* state = static_cast<State*>(user);
    state->last_response.Error = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    state->last_response.Text = std::string(line);
  }
  return length;
}

// Nothing is downloaded; what libcurl offers as a body (the size and date it learnt while asking
// about a remote file) is dropped instead of reaching standard output.
std::size_t DropBody(char* /*data*/, std::size_t size, std::size_t count, void* /*user*/) {
  return size * count;
}

// The local file being uploaded; a read error aborts the transfer instead of ending it early.
struct UploadSource {
  std::FILE* file = nullptr;
  bool read_failed = false;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* user) {
  auto* source = static_cast<UploadSource*>(user);
  const std::size_t read = std::fread(buffer, size, count, source->file);
  if (read < count && std::ferror(source->file) != 0) {
    source->read_failed = true;
    return CURL_READFUNC_ABORT;
  }
  return read * size;
}

// Reports upload progress to the monitor and stops the transfer it was asked to cancel.
int ReportProgress(void* user, curl_off_t /*download_total*/, curl_off_t /*downloaded*/,
                   curl_off_t upload_total, curl_off_t uploaded) {
  auto* monitor = static_cast<TransferMonitor*>(user);
  if (upload_total > 0 && uploaded >= 0) {
    monitor->ReportSent(static_cast<std::uint64_t>(uploaded),
                        static_cast<std::uint64_t>(upload_total));
  }
  return monitor->CancelRequested() ? 1 : 0;
}

class CurlFtpConnection final : public FtpConnection {
 public:
  CurlFtpConnection(std::shared_ptr<State> state, EasyHandle easy, MultiHandle multi,
                    std::string base_url, TransferMonitor* monitor)
      : state_(std::move(state)),
        easy_(std::move(easy)),
        multi_(std::move(multi)),
        base_url_(std::move(base_url)),
        monitor_(monitor) {}

  InternetResult<> SetCurrentDirectory(std::string_view directory) override {
    if (HasControlCharacter(directory)) {
      return InternetFailure(InternetError::kInvalidUrl, directory);
    }
    const std::string target = ResolveDirectory(current_, directory);
    // A URL ending in "/" with no body makes libcurl change directory and nothing more.
    CURL* easy = easy_.get();
    Curl().easy_setopt(easy, CURLOPT_UPLOAD, 0L);
    Curl().easy_setopt(easy, CURLOPT_NOBODY, 1L);
    InternetResult<> changed = Perform(PathIn(target, ""), directory);
    if (changed.ok()) {
      current_ = target;
    }
    return changed;
  }

  InternetResult<> PutFile(const std::filesystem::path& local_file, std::string_view remote_name,
                           FtpPutMode mode = FtpPutMode::kDirect) override {
    if (HasControlCharacter(remote_name) || remote_name.empty()) {
      return InternetFailure(InternetError::kInvalidUrl, remote_name);
    }
    const InternetFailure unreadable(InternetError::kLocalFile, local_file.string());
    std::error_code size_error;
    const std::uintmax_t size = std::filesystem::file_size(local_file, size_error);
    const FileHandle file(size_error ? nullptr : std::fopen(local_file.c_str(), "rb"));
    if (!file) {
      return unreadable;
    }
    UploadSource source{file.get(), false};
    CURL* easy = easy_.get();
    Curl().easy_setopt(easy, CURLOPT_NOBODY, 0L);
    Curl().easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    Curl().easy_setopt(easy, CURLOPT_READFUNCTION, &ReadUpload);
    Curl().easy_setopt(easy, CURLOPT_READDATA, &source);
    Curl().easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    if (monitor_ != nullptr) {
      monitor_->ReportSent(0, size);
    }
    // The renames run on the control connection after a complete transfer only.
    std::string sent_name(remote_name);
    CommandList renames;
    if (mode == FtpPutMode::kReplaceWhole) {
      sent_name = "." + std::string(remote_name) + ".part";
      curl_slist* list = Curl().slist_append(nullptr, ("RNFR " + sent_name).c_str());
      renames.reset(list);
      if (list == nullptr ||
          Curl().slist_append(list, ("RNTO " + std::string(remote_name)).c_str()) == nullptr) {
        return InternetFailure(InternetError::kInternal, remote_name);
      }
      Curl().easy_setopt(easy, CURLOPT_POSTQUOTE, list);
    }
    InternetResult<> sent = Perform(PathIn(current_, sent_name), remote_name);
    // The source and the list die with this call; the handle must not keep pointing at them.
    Curl().easy_setopt(easy, CURLOPT_UPLOAD, 0L);
    Curl().easy_setopt(easy, CURLOPT_READDATA, nullptr);
    Curl().easy_setopt(easy, CURLOPT_POSTQUOTE, nullptr);
    if (source.read_failed) {
      return unreadable;
    }
    return sent;
  }

  InternetResult<bool> FindFile(std::string_view remote_name) override {
    if (HasControlCharacter(remote_name) || remote_name.empty()) {
      return InternetFailure(InternetError::kInvalidUrl, remote_name);
    }
    // No body for a file: libcurl asks for its SIZE, which a missing file answers with 550.
    CURL* easy = easy_.get();
    Curl().easy_setopt(easy, CURLOPT_UPLOAD, 0L);
    Curl().easy_setopt(easy, CURLOPT_NOBODY, 1L);
    const std::string url = base_url_ + UrlPath(PathIn(current_, remote_name));
    Curl().easy_setopt(easy, CURLOPT_URL, url.c_str());
    state_->last_response = LastResponseInfo{};
    const CURLcode result = PerformOn(multi_.get(), easy, monitor_);
    if (result == CURLE_REMOTE_FILE_NOT_FOUND) {
      return false;
    }
    if (result != CURLE_OK) {
      return MapCurlResult(result, remote_name);
    }
    // A size of -1: the server did not tell, so the file may well be there.
    return true;
  }

  // Logs in by asking for the login folder and nothing in it; a failure names `server`.
  InternetResult<> LogIn(std::string_view server) {
    Curl().easy_setopt(easy_.get(), CURLOPT_NOBODY, 1L);
    return Perform("", server);
  }

 private:
  // Runs the operation on `server_path`; a failure names `subject`, the value as the caller gave
  // it.
  InternetResult<> Perform(std::string_view server_path, std::string_view subject) {
    const std::string url = base_url_ + UrlPath(server_path);
    Curl().easy_setopt(easy_.get(), CURLOPT_URL, url.c_str());
    state_->last_response = LastResponseInfo{};
    const CURLcode result = PerformOn(multi_.get(), easy_.get(), monitor_);
    if (result != CURLE_OK) {
      return MapCurlResult(result, subject);
    }
    return {};
  }

  std::shared_ptr<State> state_;
  EasyHandle easy_;
  // After the easy handle, so that it goes first and logs out while the easy handle lives.
  MultiHandle multi_;
  std::string base_url_;
  // "" while in the login folder.
  std::string current_;
  TransferMonitor* monitor_;
};

long Milliseconds(std::chrono::milliseconds duration) {
  return static_cast<long>(duration.count());
}

// Options shared by every operation of a connection. Returns false when libcurl refuses one.
bool ConfigureEasy(CURL* easy, State& state, const InternetOpenRequest& access,
                   const FtpLogin& login) {
  bool ok = true;
  const auto set = [&ok](CURLcode result) { ok = ok && result == CURLE_OK; };
  set(Curl().easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp"));
  set(Curl().easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
  if (login.Monitor != nullptr) {
    set(Curl().easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &ReportProgress));
    set(Curl().easy_setopt(easy, CURLOPT_XFERINFODATA, login.Monitor));
    set(Curl().easy_setopt(easy, CURLOPT_NOPROGRESS, 0L));
  } else {
    set(Curl().easy_setopt(easy, CURLOPT_NOPROGRESS, 1L));
  }
  if (login.Security == FtpSecurity::kTls) {
    // Required for the login and every transfer; the password is never sent in clear text.
    set(Curl().easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL)));
    set(Curl().easy_setopt(easy, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS)));
    set(Curl().easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L));
    set(Curl().easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L));
    if (!state.trust.CaFile.empty()) {
      set(Curl().easy_setopt(easy, CURLOPT_CAINFO, state.trust.CaFile.c_str()));
    }
  }
  set(Curl().easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L));
  set(Curl().easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD)));
  set(Curl().easy_setopt(easy, CURLOPT_TRANSFERTEXT, 0L));
  set(Curl().easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, Milliseconds(state.timeouts.Connect)));
  set(Curl().easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                         static_cast<long>((state.timeouts.ServerResponse.count() + 999) / 1000)));
  set(Curl().easy_setopt(easy, CURLOPT_ACCEPTTIMEOUT_MS,
                         Milliseconds(state.timeouts.ActiveAccept)));
  set(Curl().easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L));
  set(Curl().easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                         static_cast<long>(state.timeouts.Stall.count())));
  set(Curl().easy_setopt(easy, CURLOPT_WRITEFUNCTION, &DropBody));
  set(Curl().easy_setopt(easy, CURLOPT_HEADERFUNCTION, &RecordResponseLine));
  set(Curl().easy_setopt(easy, CURLOPT_HEADERDATA, &state));
  set(Curl().easy_setopt(easy, CURLOPT_USERAGENT, access.Agent.c_str()));
  if (access.Access == InternetAccess::kNamedProxy) {
    set(Curl().easy_setopt(easy, CURLOPT_PROXY, access.Proxy.c_str()));
    // FTP commands can pass an HTTP proxy only inside a CONNECT tunnel.
    set(Curl().easy_setopt(easy, CURLOPT_HTTPPROXYTUNNEL, 1L));
  } else {
    // Empty: no proxy at all, whatever the environment says.
    set(Curl().easy_setopt(easy, CURLOPT_PROXY, ""));
  }
  // "-": the server connects back to the address of the control connection.
  set(Curl().easy_setopt(easy, CURLOPT_FTPPORT, login.Mode == FtpMode::kActive ? "-" : nullptr));
  // Left unset, libcurl logs in as "anonymous".
  if (!login.User.empty()) {
    set(Curl().easy_setopt(easy, CURLOPT_USERNAME, login.User.c_str()));
    set(Curl().easy_setopt(easy, CURLOPT_PASSWORD, login.Password.c_str()));
  }
  return ok;
}

class CurlInternetSession final : public InternetSession {
 public:
  CurlInternetSession(std::shared_ptr<State> state, InternetOpenRequest request)
      : state_(std::move(state)), request_(std::move(request)) {}

  InternetResult<std::unique_ptr<FtpConnection>> ConnectFtp(const FtpLogin& login) override {
    const std::optional<std::string> authority = UrlAuthority(login.Server);
    if (!authority) {
      return InternetFailure(InternetError::kInvalidUrl, login.Server);
    }
    // A line break would end the USER or PASS command and start another. The password is never
    // named.
    if (HasControlCharacter(login.User) || HasControlCharacter(login.Password)) {
      return InternetFailure(InternetError::kLoginRejected, login.User);
    }
    EasyHandle easy(Curl().easy_init());
    MultiHandle multi(Curl().multi_init());
    if (!easy || !multi) {
      return InternetFailure(InternetError::kOutOfHandles, login.Server);
    }
    if (!ConfigureEasy(easy.get(), *state_, request_, login)) {
      return InternetFailure(InternetError::kInternal, login.Server);
    }
    auto connection = std::make_unique<CurlFtpConnection>(state_, std::move(easy), std::move(multi),
                                                          "ftp://" + *authority, login.Monitor);
    const InternetResult<> logged_in = connection->LogIn(login.Server);
    if (!logged_in) {
      return logged_in.failure();
    }
    return std::unique_ptr<FtpConnection>(std::move(connection));
  }

 private:
  std::shared_ptr<State> state_;
  InternetOpenRequest request_;
};

}  // namespace

CurlInternetLibrary::CurlInternetLibrary(CurlTimeouts timeouts, CurlTrust trust)
    : state_(std::make_shared<State>(timeouts, std::move(trust))) {}

CurlInternetLibrary::~CurlInternetLibrary() = default;

InternetResult<std::unique_ptr<InternetSession>> CurlInternetLibrary::Open(
    const InternetOpenRequest& request) {
  if (request.Access == InternetAccess::kNamedProxy && HasControlCharacter(request.Proxy)) {
    return InternetFailure(InternetError::kInvalidUrl, request.Proxy);
  }
  return std::unique_ptr<InternetSession>(std::make_unique<CurlInternetSession>(state_, request));
}

LastResponseInfo CurlInternetLibrary::LastResponse() const {
  return state_->last_response;
}

}  // namespace scrivlet
