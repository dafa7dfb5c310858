// The demo host's window (scrivlet-demo) on a large page, offscreen, as a user meets it:
//   open_first_screen_s   from the Open command (the file read, converted and loaded) until the
//                         window has painted its first screen;
//   open_laid_out_s       until the rest of the page is laid out (the busy pointer goes);
//   key_during_pane_ms    one key typed while the HTML pane rebuilds after an edit: from the
//                         key press until the editor has processed it and repainted (median and
//                         worst of kKeys keys, each a pause after the edit before it);
//   pane_ready_s          from an edit until the pane shows the new HTML (built off the
//                         user-interface thread).
//
// Usage: demo_host_bench FILE.html
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "control/scrivlet.h"
#include "demo_window.h"
#include "qt/qt_rich_text_box.h"
#include "qt/scrivlet_widget.h"

namespace {

constexpr int kKeys = 9;

void Wait(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
}

// A key typed into the editor, processed and painted.
double TypeKey(QWidget* editor, QChar character) {
  QElapsedTimer timer;
  timer.start();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(character));
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString(character));
  QApplication::sendEvent(editor, &press);
  QApplication::sendEvent(editor, &release);
  editor->repaint();
  QCoreApplication::processEvents();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: demo_host_bench FILE.html\n");
    return 2;
  }
  const QString path = QString::fromLocal8Bit(argv[1]);
  scrivlet::DemoWindow window(nullptr, [](const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  });
  window.resize(900, 680);
  window.show();
  Wait(200);

  bool painted = false;
  QElapsedTimer open;
  open.start();
  if (!window.OpenFile(path, scrivlet::DemoWindow::FileKind::kHtml)) {
    return 1;
  }
  const double opened = static_cast<double>(open.nsecsElapsed()) / 1e9;
  window.Editor().Editor()->viewport()->repaint();
  QCoreApplication::processEvents();
  painted = true;
  const double firstScreen = static_cast<double>(open.nsecsElapsed()) / 1e9;
  while (QGuiApplication::overrideCursor() != nullptr && open.elapsed() < 120000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  const double laidOut = static_cast<double>(open.nsecsElapsed()) / 1e9;
  window.FinishSource();

  QWidget* editor = window.Editor().Editor();
  editor->setFocus();
  // What the pane's rebuild costs the user-interface thread: the copy of the document.
  QElapsedTimer snapshot;
  snapshot.start();
  const std::size_t rtfBytes = window.Editor().Control().TextRTF().size();
  const double snapshotMs = static_cast<double>(snapshot.nsecsElapsed()) / 1e6;
  // A key with nothing else going on, for comparison.
  std::vector<double> quietKeys;
  for (int i = 0; i < kKeys; ++i) {
    quietKeys.push_back(TypeKey(editor, QLatin1Char('q')));
  }
  std::sort(quietKeys.begin(), quietKeys.end());
  window.FinishSource();
  std::vector<double> keys;
  double paneReady = 0;
  for (int i = 0; i < kKeys; ++i) {
    // An edit, then a key once the pane has started rebuilding (its pause is over).
    QElapsedTimer edit;
    edit.start();
    TypeKey(editor, QLatin1Char('x'));
    Wait(scrivlet::DemoWindow::kSourceDelayMs + 100);
    keys.push_back(TypeKey(editor, QLatin1Char('y')));
    while (window.SourcePending() && edit.elapsed() < 120000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    paneReady = std::max(paneReady, static_cast<double>(edit.nsecsElapsed()) / 1e9);
  }
  std::sort(keys.begin(), keys.end());
  std::printf("file=%s painted=%d\n", argv[1], painted ? 1 : 0);
  std::printf("open_command_s=%.3f (read, convert, load; then the first paint)\n", opened);
  std::printf("open_first_screen_s=%.3f\n", firstScreen);
  std::printf("open_laid_out_s=%.3f\n", laidOut);
  std::printf("key_quiet_ms median=%.1f worst=%.1f\n", quietKeys[quietKeys.size() / 2],
              quietKeys.back());
  std::printf("key_during_pane_ms median=%.1f worst=%.1f\n", keys[keys.size() / 2], keys.back());
  std::printf("pane_snapshot_ms=%.1f (%zu bytes of RTF, on the user-interface thread)\n",
              snapshotMs, rtfBytes);
  std::printf("pane_ready_s worst=%.3f (after the %d ms pause)\n", paneReady,
              scrivlet::DemoWindow::kSourceDelayMs);
  window.SetChangesQuestion([] { return scrivlet::DemoWindow::ChangesAnswer::kDiscard; });
  return 0;
}
