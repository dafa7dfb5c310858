// libcurl, loaded when FTP is first used instead of when a program starts.
//
// libcurl brings about thirty shared libraries with it (TLS, Kerberos, LDAP, ...). Linked in,
// the dynamic loader maps and relocates all of them at every start of every program built on the
// platform library, the command-line tool converting a file included, although only publishing
// to FTP calls libcurl. The functions the Internet library calls are defined here instead: the
// first of them opens libcurl and each forwards to libcurl's own. curl_global_init is always the
// first (CurlInternetLibrary's construction); when libcurl cannot be opened it fails as libcurl's
// own does, and the library's construction reports it.
//
// The library stays open until the process ends: libcurl keeps process-wide state of its own
// that its cleanup does not fully release.
#define CURL_DISABLE_TYPECHECK  // curl_easy_setopt is defined here, not wrapped
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>

namespace {

// The run-time name of the Debian package libcurl4's library (ABI 4 since libcurl 7.16).
constexpr const char* kLibraryName = "libcurl.so.4";

void* Library() {
  static void* const library = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  return library;
}

// libcurl's own function `name`, or nullptr when libcurl cannot be opened. Each function below
// looks its own up once, at its first call.
template <typename Function>
Function* Resolve(const char* name) {
  void* const library = Library();
  return library == nullptr ? nullptr : reinterpret_cast<Function*>(dlsym(library, name));
}

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
  static auto* const real = Resolve<decltype(::curl_global_init)>("curl_global_init");
  return real == nullptr ? CURLE_FAILED_INIT : real(flags);
}

void curl_global_cleanup() {
  static auto* const real = Resolve<decltype(::curl_global_cleanup)>("curl_global_cleanup");
  if (real != nullptr) {
    real();
  }
}

CURL* curl_easy_init() {
  static auto* const real = Resolve<decltype(::curl_easy_init)>("curl_easy_init");
  return real == nullptr ? nullptr : real();
}

void curl_easy_cleanup(CURL* easy) {
  static auto* const real = Resolve<decltype(::curl_easy_cleanup)>("curl_easy_cleanup");
  if (real != nullptr) {
    real(easy);
  }
}

// The option's number says the type of its value, as libcurl's header defines the ranges.
CURLcode curl_easy_setopt(CURL* easy, CURLoption option, ...) {
  static auto* const real = Resolve<decltype(::curl_easy_setopt)>("curl_easy_setopt");
  if (real == nullptr) {
    return CURLE_FAILED_INIT;
  }
  va_list arguments;
  va_start(arguments, option);
  CURLcode result = CURLE_OK;
  if (option < CURLOPTTYPE_OBJECTPOINT) {
    result = real(easy, option, va_arg(arguments, long));
  } else if (option < CURLOPTTYPE_OFF_T || option >= CURLOPTTYPE_BLOB) {
    result = real(easy, option, va_arg(arguments, void*));
  } else {
    result = real(easy, option, va_arg(arguments, curl_off_t));
  }
  va_end(arguments);
  return result;
}

CURLM* curl_multi_init() {
  static auto* const real = Resolve<decltype(::curl_multi_init)>("curl_multi_init");
  return real == nullptr ? nullptr : real();
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
  static auto* const real = Resolve<decltype(::curl_multi_cleanup)>("curl_multi_cleanup");
  return real == nullptr ? CURLM_INTERNAL_ERROR : real(multi);
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* easy) {
  static auto* const real = Resolve<decltype(::curl_multi_add_handle)>("curl_multi_add_handle");
  return real == nullptr ? CURLM_INTERNAL_ERROR : real(multi, easy);
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* easy) {
  static auto* const real =
      Resolve<decltype(::curl_multi_remove_handle)>("curl_multi_remove_handle");
  return real == nullptr ? CURLM_INTERNAL_ERROR : real(multi, easy);
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
  static auto* const real = Resolve<decltype(::curl_multi_perform)>("curl_multi_perform");
  return real == nullptr ? CURLM_INTERNAL_ERROR : real(multi, running);
}

CURLMcode curl_multi_poll(CURLM* multi, struct curl_waitfd extra[], unsigned int extraCount,
                          int timeoutMs, int* ready) {
  static auto* const real = Resolve<decltype(::curl_multi_poll)>("curl_multi_poll");
  return real == nullptr ? CURLM_INTERNAL_ERROR : real(multi, extra, extraCount, timeoutMs, ready);
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* queued) {
  static auto* const real = Resolve<decltype(::curl_multi_info_read)>("curl_multi_info_read");
  return real == nullptr ? nullptr : real(multi, queued);
}

struct curl_slist* curl_slist_append(struct curl_slist* list, const char* text) {
  static auto* const real = Resolve<decltype(::curl_slist_append)>("curl_slist_append");
  return real == nullptr ? nullptr : real(list, text);
}

void curl_slist_free_all(struct curl_slist* list) {
  static auto* const real = Resolve<decltype(::curl_slist_free_all)>("curl_slist_free_all");
  if (real != nullptr) {
    real(list);
  }
}

}  // extern "C"
