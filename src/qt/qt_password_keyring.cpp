#include "qt/qt_password_keyring.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <utility>

namespace scrivlet {
namespace {

// Starts `job` and waits for its end.
void RunToEnd(QKeychain::Job& job) {
  job.setAutoDelete(false);
  job.setInsecureFallback(false);
  QEventLoop wait;
  bool finished = false;
  QObject::connect(&job, &QKeychain::Job::finished, &wait, [&finished, &wait] {
    finished = true;
    wait.quit();
  });
  job.start();
  // Some backends answer inside start().
  if (!finished) {
    wait.exec(QEventLoop::ExcludeUserInputEvents);
  }
}

}  // namespace

QtPasswordKeyring::QtPasswordKeyring(QString service) : service_(std::move(service)) {}

bool QtPasswordKeyring::Available() {
  if (!available_) {
    // A key nobody writes: "not found" is the answer of a keyring that works.
    QKeychain::ReadPasswordJob probe(service_);
    probe.setKey(QStringLiteral("keyring-probe"));
    RunToEnd(probe);
    available_ = probe.error() == QKeychain::NoError || probe.error() == QKeychain::EntryNotFound;
  }
  return *available_;
}

std::optional<QString> QtPasswordKeyring::Read(const QString& key) {
  if (!Available()) {
    return std::nullopt;
  }
  QKeychain::ReadPasswordJob job(service_);
  job.setKey(key);
  RunToEnd(job);
  if (job.error() != QKeychain::NoError) {
    return std::nullopt;
  }
  return job.textData();
}

bool QtPasswordKeyring::Write(const QString& key, const QString& secret) {
  if (!Available()) {
    return false;
  }
  QKeychain::WritePasswordJob job(service_);
  job.setKey(key);
  job.setTextData(secret);
  RunToEnd(job);
  return job.error() == QKeychain::NoError;
}

bool QtPasswordKeyring::Remove(const QString& key) {
  if (!Available()) {
    return false;
  }
  QKeychain::DeletePasswordJob job(service_);
  job.setKey(key);
  RunToEnd(job);
  return job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound;
}

}  // namespace scrivlet
