#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/internet_library.h"

namespace scrivlet::testing {

// An Internet library answered by a script: each operation returns the error set for it and is
// recorded. The record outlives the library, so handles left open cannot dangle.
class FakeInternetLibrary final : public InternetLibrary {
 public:
  // An error set here fails its operation; none: it succeeds.
  struct Script {
    std::optional<InternetError> OpenError;
    std::optional<InternetError> ConnectError;
    // By directory as asked; others succeed.
    std::map<std::string, InternetError> DirectoryErrors;
    std::optional<InternetError> PutError;
    // Names FindFile reports as present, and the error it answers.
    std::set<std::string> ExistingFiles;
    std::optional<InternetError> FindError;
    LastResponseInfo Response;

    std::vector<InternetOpenRequest> Opens;
    std::vector<FtpLogin> Logins;
    // "CWD <dir>", "SIZE <remote name>" and "PUT <local> <remote name>" (REPLACE for
    // FtpPutMode::kReplaceWhole), in order.
    std::vector<std::string> Commands;
    int LiveSessions = 0;
    int LiveConnections = 0;
  };

  FakeInternetLibrary() : script_(std::make_shared<Script>()) {}

  Script& script() { return *script_; }

  InternetResult<std::unique_ptr<InternetSession>> Open(
      const InternetOpenRequest& request) override {
    script_->Opens.push_back(request);
    if (script_->OpenError) {
      return InternetFailure(*script_->OpenError, request.Proxy);
    }
    return std::unique_ptr<InternetSession>(std::make_unique<Session>(script_));
  }

  LastResponseInfo LastResponse() const override { return script_->Response; }

 private:
  class Connection final : public FtpConnection {
   public:
    explicit Connection(std::shared_ptr<Script> script) : script_(std::move(script)) {
      ++script_->LiveConnections;
    }
    ~Connection() override { --script_->LiveConnections; }

    InternetResult<> SetCurrentDirectory(std::string_view directory) override {
      script_->Commands.push_back("CWD " + std::string(directory));
      const auto found = script_->DirectoryErrors.find(std::string(directory));
      if (found != script_->DirectoryErrors.end()) {
        return InternetFailure(found->second, directory);
      }
      return {};
    }

    InternetResult<> PutFile(const std::filesystem::path& local_file, std::string_view remote_name,
                             FtpPutMode mode = FtpPutMode::kDirect) override {
      script_->Commands.push_back((mode == FtpPutMode::kReplaceWhole ? "REPLACE " : "PUT ") +
                                  local_file.string() + " " + std::string(remote_name));
      if (script_->PutError) {
        return InternetFailure(*script_->PutError, remote_name);
      }
      return {};
    }

    InternetResult<bool> FindFile(std::string_view remote_name) override {
      script_->Commands.push_back("SIZE " + std::string(remote_name));
      if (script_->FindError) {
        return InternetFailure(*script_->FindError, remote_name);
      }
      return script_->ExistingFiles.contains(std::string(remote_name));
    }

   private:
    std::shared_ptr<Script> script_;
  };

  class Session final : public InternetSession {
   public:
    explicit Session(std::shared_ptr<Script> script) : script_(std::move(script)) {
      ++script_->LiveSessions;
    }
    ~Session() override { --script_->LiveSessions; }

    InternetResult<std::unique_ptr<FtpConnection>> ConnectFtp(const FtpLogin& login) override {
      script_->Logins.push_back(login);
      if (script_->ConnectError) {
        return InternetFailure(*script_->ConnectError, login.Server);
      }
      return std::unique_ptr<FtpConnection>(std::make_unique<Connection>(script_));
    }

   private:
    std::shared_ptr<Script> script_;
  };

  std::shared_ptr<Script> script_;
};

}  // namespace scrivlet::testing
