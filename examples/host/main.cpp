// A host of the Scrivlet editor: a form made in Qt Designer with the editor on it, its
// properties set in the form. Prints the document as RTF; with --show the window stays open
// for the user (without a display it is drawn offscreen).
#include <QApplication>
#include <QTextStream>
#include <QWidget>

#include "ui_host_form.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);

  QWidget window;
  Ui::HostForm form;
  form.setupUi(&window);

  // The document is the form's until the host assigns its own.
  QTextStream out(stdout);
  out << form.editor->TextRTF() << Qt::endl;
  form.editor->setTextHTML(QStringLiteral("A <U>host's</U> page"));
  out << form.editor->TextHTML() << Qt::endl;

  if (app.arguments().contains(QStringLiteral("--show"))) {
    window.show();
    return app.exec();
  }
  return 0;
}
