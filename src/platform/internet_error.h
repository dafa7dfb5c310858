#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "text/message_value.h"

// Why an operation of picture publishing's Internet library failed, and the results that carry
// either a value or such a failure. Nothing here shows anything to the user.
namespace scrivlet {

// The numbers are those of the Windows Internet library where one fits (12001 upward): the
// user's messages show them, so they must not change.
enum class InternetError : std::int32_t {
  // The local file to upload cannot be opened or read (the system's "file not found" number).
  kLocalFile = 2,
  kOutOfHandles = 12001,
  kTimeout = 12002,
  // The server refused a command; the library's LastResponse tells its reply.
  kExtended = 12003,
  kInternal = 12004,
  // A server name, path, file name or proxy that cannot be sent (bad characters, bad port).
  kInvalidUrl = 12005,
  kNameNotResolved = 12007,
  // The server rejected the user name or password, or they cannot be sent.
  kLoginRejected = 12014,
  kLoginFailure = 12015,
  // The user's own cancel.
  kCancelled = 12017,
  // An operation that needs an open session or connection found none.
  kHandleState = 12019,
  kCannotConnect = 12029,
  kConnectionAborted = 12030,
  // The server's certificate is not trusted (unknown authority, wrong name, expired).
  kCertificateRejected = 12045,
  // The secure (TLS) connection could not be set up, though the server offered one.
  kSecureChannel = 12157,
  // A secure connection was required and the server offers none (it refused AUTH TLS).
  kTlsNotOffered = 12250,
  // A failure with no number of its own; its number is this plus the implementation's own cause
  // number (InternetFailure::Cause), outside the numbers that have texts.
  kUnmapped = 12300,
  // A connection was asked for without a server name. Never shown to the user.
  kNoServer = -1,
};

// The user's text for an error, as the Windows library words it (some texts end with a space);
// "Error details not available." for those without one (kLocalFile, kUnmapped, kNoServer).
std::string_view InternetErrorText(InternetError error);

// A failed operation: why, and what it was about.
class InternetFailure {
 public:
  // `value`: the server name, folder, file name or proxy the operation was about, if any.
  explicit InternetFailure(InternetError error, std::string_view value = {})
      : error_(error), value_(CutForMessage(value)) {}
  // kUnmapped, with the implementation's own cause number (a libcurl result).
  static InternetFailure Unmapped(std::int32_t cause, std::string_view value = {}) {
    InternetFailure failure(InternetError::kUnmapped, value);
    failure.cause_ = cause;
    return failure;
  }

  InternetError error() const noexcept { return error_; }
  // The number the user's messages show: the error's own, plus the cause for kUnmapped.
  std::int32_t Number() const noexcept { return static_cast<std::int32_t>(error_) + cause_; }
  // What the operation was about, cut by CutForMessage; empty when it was about nothing named.
  const std::string& value() const noexcept { return value_; }

 private:
  InternetError error_;
  std::int32_t cause_ = 0;
  std::string value_;
};

// The value of an operation that succeeded, or its failure.
template <typename T = void>
class [[nodiscard]] InternetResult {
 public:
  InternetResult(T value) : state_(std::move(value)) {}
  InternetResult(InternetFailure failure) : state_(std::move(failure)) {}
  InternetResult(InternetError error) : state_(InternetFailure(error)) {}

  bool ok() const noexcept { return state_.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }
  // Only when ok().
  T& value() { return std::get<0>(state_); }
  const T& value() const { return std::get<0>(state_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  // Only when not ok().
  const InternetFailure& failure() const { return std::get<1>(state_); }
  // The failure's error, or nothing when it succeeded.
  std::optional<InternetError> error() const {
    return ok() ? std::nullopt : std::optional(failure().error());
  }

 private:
  std::variant<T, InternetFailure> state_;
};

// An operation with nothing to return: success, or its failure.
template <>
class [[nodiscard]] InternetResult<void> {
 public:
  InternetResult() = default;
  InternetResult(InternetFailure failure) : failure_(std::move(failure)) {}
  InternetResult(InternetError error) : failure_(InternetFailure(error)) {}
  // Success or the failure of `other`, its value dropped.
  template <typename T>
  static InternetResult Of(const InternetResult<T>& other) {
    return other.ok() ? InternetResult() : InternetResult(other.failure());
  }

  bool ok() const noexcept { return !failure_.has_value(); }
  explicit operator bool() const noexcept { return ok(); }
  // Only when not ok().
  const InternetFailure& failure() const { return *failure_; }
  std::optional<InternetError> error() const {
    return ok() ? std::nullopt : std::optional(failure_->error());
  }

 private:
  std::optional<InternetFailure> failure_;
};

}  // namespace scrivlet
