#include "qt/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "qt/qt_text.h"

namespace scrivlet {

QWidget* ModalParent(QWidget* owner) {
  if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr) {
    return modal;
  }
  return owner;
}

MessageBoxAnswer QtMessageBox::Show(std::string_view text, MessageBoxStyle style,
                                    std::string_view title) {
  QMessageBox box(ModalParent(owner_.data()));
  box.setTextFormat(Qt::PlainText);
  QString body = ToQString(text);
  body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  box.setText(body);
  box.setWindowTitle(title.empty() ? QApplication::applicationDisplayName() : ToQString(title));
  switch (style.Icon) {
    case MessageBoxIcon::kNone:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case MessageBoxIcon::kCritical:
      box.setIcon(QMessageBox::Critical);
      break;
    case MessageBoxIcon::kQuestion:
      box.setIcon(QMessageBox::Question);
      break;
  }
  if (style.Buttons == MessageBoxButtons::kYesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
  box.exec();
  // The clicked button, not exec's result: closing a Yes/No box leaves it at the escape button.
  const QMessageBox::StandardButton chosen = box.standardButton(box.clickedButton());
  if (style.Buttons == MessageBoxButtons::kYesNo) {
    return chosen == QMessageBox::Yes ? MessageBoxAnswer::kYes : MessageBoxAnswer::kNo;
  }
  return MessageBoxAnswer::kOk;
}

}  // namespace scrivlet
