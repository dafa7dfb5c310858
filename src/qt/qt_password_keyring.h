#pragma once

#include <QString>
#include <optional>

namespace scrivlet {

// Secrets in the desktop's keyring (the Secret Service of GNOME and KDE, or KWallet) through
// QtKeychain. Every call waits for the keyring's answer, letting the thread's events run
// meanwhile; QtKeychain's own plain-text fallback is never used.
//
// A desktop without a keyring (no D-Bus session, no secret service) is normal: Available() is
// then false, Read answers nothing and Write and Remove return false, so that callers keep the
// secret where they kept it before.
class QtPasswordKeyring {
 public:
  // `service` names the application's entries in the keyring.
  explicit QtPasswordKeyring(QString service);

  // Whether a keyring answers; asked once, on the first call.
  bool Available();
  // The secret stored under `key`, or nothing when there is none or no keyring.
  std::optional<QString> Read(const QString& key);
  // Stores `secret` under `key`, replacing an earlier one; false when the keyring refused.
  bool Write(const QString& key, const QString& secret);
  // Forgets the secret under `key`; true when none is left.
  bool Remove(const QString& key);

 private:
  QString service_;
  std::optional<bool> available_;
};

}  // namespace scrivlet
