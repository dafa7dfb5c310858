#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/internet_library.h"

namespace scrivlet::testing {

// An Internet library answered by a script: each operation returns the error set for it and is
// recorded. The record outlives the library, so handles left open cannot dangle.
class FakeInternetLibrary final : public InternetLibrary {
 public:
  struct Script {
    InternetErrorCode OpenError = kInternetSuccess;
    InternetErrorCode ConnectError = kInternetSuccess;
    // By directory as asked; others succeed.
    std::map<std::string, InternetErrorCode> DirectoryErrors;
    InternetErrorCode PutError = kInternetSuccess;
    // Names FindFile reports as present, and the error it answers.
    std::set<std::string> ExistingFiles;
    InternetErrorCode FindError = kInternetSuccess;
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

  OpenedInternetSession Open(const InternetOpenRequest& request) override {
    script_->Opens.push_back(request);
    if (script_->OpenError != kInternetSuccess) {
      return {nullptr, script_->OpenError};
    }
    return {std::make_unique<Session>(script_), kInternetSuccess};
  }

  LastResponseInfo LastResponse() const override { return script_->Response; }

 private:
  class Connection final : public FtpConnection {
   public:
    explicit Connection(std::shared_ptr<Script> script) : script_(std::move(script)) {
      ++script_->LiveConnections;
    }
    ~Connection() override { --script_->LiveConnections; }

    InternetErrorCode SetCurrentDirectory(std::string_view directory) override {
      script_->Commands.push_back("CWD " + std::string(directory));
      const auto found = script_->DirectoryErrors.find(std::string(directory));
      return found == script_->DirectoryErrors.end() ? kInternetSuccess : found->second;
    }

    InternetErrorCode PutFile(const std::filesystem::path& local_file, std::string_view remote_name,
                              FtpPutMode mode = FtpPutMode::kDirect) override {
      script_->Commands.push_back((mode == FtpPutMode::kReplaceWhole ? "REPLACE " : "PUT ") +
                                  local_file.string() + " " + std::string(remote_name));
      return script_->PutError;
    }

    FileQuery FindFile(std::string_view remote_name) override {
      script_->Commands.push_back("SIZE " + std::string(remote_name));
      return {script_->FindError, script_->ExistingFiles.contains(std::string(remote_name))};
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

    OpenedFtpConnection ConnectFtp(const FtpLogin& login) override {
      script_->Logins.push_back(login);
      if (script_->ConnectError != kInternetSuccess) {
        return {nullptr, script_->ConnectError};
      }
      return {std::make_unique<Connection>(script_), kInternetSuccess};
    }

   private:
    std::shared_ptr<Script> script_;
  };

  std::shared_ptr<Script> script_;
};

}  // namespace scrivlet::testing
