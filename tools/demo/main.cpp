// scrivlet-demo: the Scrivlet editor in a window, with the document's HTML beside it.
//
//   scrivlet-demo [--fresh] [--screenshot FILE] [--print-html] [--html FILE | --rtf FILE]
//
// --screenshot renders the window into a PNG file, prints the file's path and exits; without a
// display it draws offscreen. --print-html prints the document's HTML when the program ends.
// --fresh starts as on the first run (the sample page, default properties) and reads and writes
// no setting outside the run: every one, the editor's own (toolbar layout, FTP panel) included,
// goes to a temporary folder that is removed at the end. Otherwise properties, the document,
// the recent files and the window's layout are kept between runs in the user's settings
// (QSettings, "Korvex/Scrivlet Demo").

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "demo_window.h"
#include "qt/scrivlet_widget.h"

namespace {

bool HasDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool WantsScreenshot(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (QByteArray(argv[i]).startsWith("--screenshot")) {
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // A screenshot needs no screen: without one, draw offscreen rather than fail to start.
  if (WantsScreenshot(argc, argv) && !HasDisplay() &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Korvex"));
  QApplication::setApplicationName(QStringLiteral("Scrivlet Demo"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("The Scrivlet HTML editor in a window."));
  parser.addHelpOption();
  const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Render the window to a PNG file and exit."),
                                      QStringLiteral("FILE"));
  const QCommandLineOption printHtml(QStringLiteral("print-html"),
                                     QStringLiteral("Print the document's HTML on exit."));
  const QCommandLineOption fresh(QStringLiteral("fresh"),
                                 QStringLiteral("Start as on the first run; keep nothing."));
  const QCommandLineOption html(QStringLiteral("html"), QStringLiteral("Open an HTML file."),
                                QStringLiteral("FILE"));
  const QCommandLineOption rtf(QStringLiteral("rtf"), QStringLiteral("Open an RTF file."),
                               QStringLiteral("FILE"));
  parser.addOptions({screenshot, printHtml, fresh, html, rtf});
  parser.process(app);

  const bool takeScreenshot = parser.isSet(screenshot);
  std::unique_ptr<QSettings> settings;
  std::unique_ptr<scrivlet::RunScopedSettings> runScope;
  if (parser.isSet(fresh)) {
    runScope = std::make_unique<scrivlet::RunScopedSettings>();
    if (!runScope->IsValid()) {
      QTextStream(stderr) << "scrivlet-demo: no temporary folder: " << runScope->ErrorString()
                          << Qt::endl;
      return 2;
    }
  } else {
    settings = std::make_unique<QSettings>();
  }
  // A screenshot run reports on the terminal rather than in a box nobody answers; the
  // reporter is there before the saved state is read.
  scrivlet::DemoWindow::ErrorReporter reporter;
  if (takeScreenshot) {
    reporter = [](const QString& message) { QTextStream(stderr) << message << Qt::endl; };
  }
  scrivlet::DemoWindow window(settings.get(), reporter);
  if (parser.isSet(html) &&
      !window.OpenFile(parser.value(html), scrivlet::DemoWindow::FileKind::kHtml)) {
    return 1;
  }
  if (parser.isSet(rtf) &&
      !window.OpenFile(parser.value(rtf), scrivlet::DemoWindow::FileKind::kRtf)) {
    return 1;
  }

  int status = 0;
  if (takeScreenshot) {
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    // Let the editor finish starting (its one-shot pass runs from the event loop).
    while (window.Editor().StartPending()) {
      QEventLoop wait;
      QTimer::singleShot(5, &wait, &QEventLoop::quit);
      wait.exec();
    }
    const QString path = QFileInfo(parser.value(screenshot)).absoluteFilePath();
    if (!window.Screenshot().save(path, "PNG")) {
      QTextStream(stderr) << "scrivlet-demo: cannot write " << path << Qt::endl;
      return 2;
    }
    QTextStream(stdout) << "Screenshot: " << QDir::toNativeSeparators(path) << Qt::endl;
  } else {
    window.show();
    status = QApplication::exec();
  }
  if (parser.isSet(printHtml)) {
    QTextStream(stdout) << window.Editor().TextHTML() << Qt::endl;
  }
  return status;
}
