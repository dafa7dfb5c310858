#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/file_dialog.h"

namespace scrivlet {

// QFileDialog for opening one existing file, with the title, filters, selected filter, folder
// and proposed name asked for. Each filter shows its own description; its patterns match
// without regard to letter case. Qt's dialog has no read-only check box, so ReadOnlyBox::kShown
// shows none either.
class QtFileDialog final : public FileDialog {
 public:
  // `native` lets the platform's own dialog be used where there is one; false keeps Qt's.
  explicit QtFileDialog(QWidget* owner = nullptr, bool native = true)
      : owner_(owner), native_(native) {}

  std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) override;

  // The filter as QFileDialog takes it: the description, then the patterns in parentheses
  // with every letter as a class of both cases, "GIF (*.gif)" with "*.GIF" giving
  // "GIF (*.gif) (*.[gG][iI][fF])". QFileDialog reads the patterns from the last parentheses
  // and, with its details hidden, shows the description alone.
  static QString NameFilter(const FileFilter& filter);

 private:
  QPointer<QWidget> owner_;
  bool native_;
};

}  // namespace scrivlet
