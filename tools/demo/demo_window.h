#pragma once

#include <QDialog>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <functional>

class QAction;
class QPlainTextEdit;
class QSettings;
class QSplitter;
class QTimer;

namespace scrivlet {

class ScrivletWidget;

// The demo host's window: the editor above a read-only pane with the document's HTML, which
// follows the edits once they pause. The File menu creates, opens and saves HTML and RTF files;
// Edit > Properties changes the editor's properties.
//
// With settings, the editor's properties, the document and the window's layout are kept in
// them when the window closes and come back with the next window; the first window shows the
// sample page. Without settings every window starts as the first one and nothing is kept.
class DemoWindow : public QMainWindow {
  Q_OBJECT

 public:
  enum class FileKind { kHtml, kRtf };
  enum class FileAction { kOpen, kSave };

  // How the window asks for a file name: the action, the kind and a name to propose; an empty
  // result cancels. The default shows a QFileDialog.
  using FileChooser = std::function<QString(FileAction, FileKind, const QString& proposal)>;
  // Asked before the changed document is replaced (New, Open): true goes on. The default asks
  // in a message box.
  using DiscardQuestion = std::function<bool()>;
  // Told of a failed open or save. The default shows a message box.
  using ErrorReporter = std::function<void(const QString& message)>;

  // How long the HTML pane waits after the last edit before it shows the new HTML.
  static constexpr int kSourceDelayMs = 300;

  // `settings` may be null; otherwise it must outlive the window.
  explicit DemoWindow(QSettings* settings = nullptr, QWidget* parent = nullptr);
  ~DemoWindow() override;

  ScrivletWidget& Editor() const { return *editor_; }
  QPlainTextEdit& Source() const { return *source_; }

  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  void SetDiscardQuestion(DiscardQuestion question) { mayDiscard_ = std::move(question); }
  void SetErrorReporter(ErrorReporter reporter) { reportError_ = std::move(reporter); }

  // The File menu's commands, as the menu runs them.
  void NewDocument();
  void OpenDocument(FileKind kind);
  void SaveDocument(FileKind kind);
  // Loading and saving without asking; false (with the error reported) on failure.
  bool OpenFile(const QString& path, FileKind kind);
  bool SaveFile(const QString& path, FileKind kind);
  // The path the document was last opened from or saved to; empty for a new document.
  const QString& FilePath() const { return filePath_; }

  // Shows the current HTML in the pane now instead of after the pause.
  void RefreshSource();
  // True while the pane waits for the edits to pause.
  bool SourcePending() const;

  // Keeps the editor's properties, the document and the layout in the settings (when there
  // are any); closing the window does it too.
  void SaveState() const;

  // The window as it shows now, rendered into an image (the HTML pane brought up to date
  // first). The window is laid out if it never was shown.
  QImage Screenshot();

  QAction* NewAction() const { return newAction_; }
  QAction* OpenHtmlAction() const { return openHtmlAction_; }
  QAction* OpenRtfAction() const { return openRtfAction_; }
  QAction* SaveHtmlAction() const { return saveHtmlAction_; }
  QAction* SaveRtfAction() const { return saveRtfAction_; }
  QAction* QuitAction() const { return quitAction_; }
  QAction* PropertiesAction() const { return propertiesAction_; }

  // The sample page shown on the first start.
  static QString SampleHtml();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void RestoreState();
  void ShowProperties();
  void UpdateTitle();
  void OnContentsChanged();
  bool ConfirmDiscard();
  QString AskFile(FileAction action, FileKind kind);
  void ReportError(const QString& message);

  QSettings* settings_;
  ScrivletWidget* editor_ = nullptr;
  QPlainTextEdit* source_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTimer* sourceTimer_ = nullptr;
  QString filePath_;
  bool modified_ = false;
  // Document loads by the window itself are not the user's edits.
  bool loading_ = false;

  FileChooser chooseFile_;
  DiscardQuestion mayDiscard_;
  ErrorReporter reportError_;

  QAction* newAction_ = nullptr;
  QAction* openHtmlAction_ = nullptr;
  QAction* openRtfAction_ = nullptr;
  QAction* saveHtmlAction_ = nullptr;
  QAction* saveRtfAction_ = nullptr;
  QAction* quitAction_ = nullptr;
  QAction* propertiesAction_ = nullptr;
};

// Edit > Properties: one field per designable property of the editor (check boxes, a spin box,
// text fields, colour buttons), set on the editor when accepted.
class PropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PropertiesDialog(ScrivletWidget& editor, QWidget* parent = nullptr);

  // The editing field of a property, named after it; null when the dialog has none.
  QWidget* Field(const char* property) const;
  // Sets every changed field's property on the editor.
  void Apply();

 private:
  ScrivletWidget& editor_;
};

}  // namespace scrivlet
