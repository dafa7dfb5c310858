#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QTextEdit>
#include <optional>

namespace scrivlet {

class QtRichTextBox;

// The QTextEdit the user works in, QtRichTextBox's editor. It keeps Qt's caret movement,
// selection, scrolling and drawing, and hands every change of the document to the surface:
// keys, input methods, the context menu, the clipboard and drag and drop become the surface's
// operations, so they follow its rules and its undo.
class SurfaceEdit final : public QTextEdit {
 public:
  SurfaceEdit(QtRichTextBox& surface, QWidget* parent);

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  // A press inside the selection may start a drag, which this editor runs itself: QTextEdit
  // would delete the moved text directly.
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void StartDrag();
  bool CaretLaidOut() const;

  QtRichTextBox& surface_;
  // QTextEdit's text control, which blinks the caret.
  QObject* textControl_ = nullptr;
  std::optional<QPoint> dragStart_;
  // Since the last key press, for the pause that ends a typing step.
  QElapsedTimer typed_;
};

}  // namespace scrivlet
