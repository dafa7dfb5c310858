#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/message_box.h"

namespace scrivlet {

// QMessageBox with the text (shown as plain text, line breaks kept), title, icon and buttons
// asked for. An empty title shows the application's display name. Escape or the close box
// answer kOk for an OK box and kNo for a Yes/No box.
//
// The box is modal over the modal window on top (a dialog that asks), else over `owner`.
class QtMessageBox final : public MessageBox {
 public:
  explicit QtMessageBox(QWidget* owner = nullptr) : owner_(owner) {}

  MessageBoxAnswer Show(std::string_view text, MessageBoxStyle style,
                        std::string_view title) override;

 private:
  QPointer<QWidget> owner_;
};

// The window a modal window of the Qt services should sit on: the modal window on top, else
// `owner` (which may be null).
QWidget* ModalParent(QWidget* owner);

}  // namespace scrivlet
