#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QPlainTextEdit;
class QSettings;
class QSplitter;
class QTimer;

namespace scrivlet {

class ScrivletWidget;

// The demo host's window: the editor above a read-only pane with the document's HTML, which
// follows the edits once they pause (built on a worker thread, so typing never waits for it).
//
// Menus: File (New, Open HTML, Open RTF, Open Recent, Save, Save As HTML, Save As RTF, Quit),
// Edit (Undo, Redo, Cut, Copy, Paste, Select All, Insert Hyperlink, Insert Picture, Properties) and
// Format (the toolbar's formatting commands). New, Open and Quit ask Save / Discard / Cancel
// when the document has unsaved changes; the title shows the file's name and "*" while it has.
//
// With settings, the editor's properties, the document (with its unsaved changes, marked as
// such), the recent files and the window's layout are kept in them when the window closes and
// come back with the next window; the first window shows the sample page. Without settings every
// window starts as the first one and nothing is kept.
class DemoWindow : public QMainWindow {
  Q_OBJECT

 public:
  enum class FileKind { kHtml, kRtf };
  enum class FileAction { kOpen, kSave };
  enum class ChangesAnswer { kSave, kDiscard, kCancel };

  // How the window asks for a file name: the action, the kind and a name to propose; an empty
  // result cancels. The default shows a QFileDialog.
  using FileChooser = std::function<QString(FileAction, FileKind, const QString& proposal)>;
  // Asked before a document with unsaved changes is replaced or the window closes. The default
  // asks in a message box.
  using ChangesQuestion = std::function<ChangesAnswer()>;
  // Told of a failed open, save or restore. The default shows a message box.
  using ErrorReporter = std::function<void(const QString& message)>;

  // How long the HTML pane waits after the last edit before it shows the new HTML.
  static constexpr int kSourceDelayMs = 300;
  // The pane shows at most this many characters of the HTML, with a note of the full size.
  static constexpr int kSourcePaneLimit = 64 * 1024;
  static constexpr int kRecentFileCount = 8;

  // `settings` may be null; otherwise it must outlive the window. `reporter` (the default when
  // empty) receives every error from the start on, those of restoring the saved state included.
  explicit DemoWindow(QSettings* settings = nullptr, ErrorReporter reporter = {},
                      QWidget* parent = nullptr);
  ~DemoWindow() override;

  ScrivletWidget& Editor() const { return *editor_; }
  QPlainTextEdit& Source() const { return *source_; }

  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  void SetChangesQuestion(ChangesQuestion question) { askChanges_ = std::move(question); }
  void SetErrorReporter(ErrorReporter reporter) { reportError_ = std::move(reporter); }

  // The File menu's commands, as the menu runs them.
  void NewDocument();
  void OpenDocument(FileKind kind);
  // Saves to the current file in its kind; a new document asks for a name as Save As HTML does.
  bool Save();
  bool SaveDocumentAs(FileKind kind);
  // Loading and saving without asking; false (with the error reported) on failure.
  bool OpenFile(const QString& path, FileKind kind);
  bool SaveFile(const QString& path, FileKind kind);
  // The path the document was last opened from or saved to; empty for a new document.
  const QString& FilePath() const { return filePath_; }
  bool IsModified() const { return modified_; }
  // Most recent first.
  const QStringList& RecentFiles() const { return recentFiles_; }

  // Starts building the pane's HTML now instead of after the pause.
  void RefreshSource();
  // Waits for the pane's HTML being built and shows it.
  void FinishSource();
  // True while the pane waits for the edits to pause or for its HTML.
  bool SourcePending() const;

  // Keeps the editor's properties, the document, the recent files and the layout in the
  // settings (when there are any); closing the window does it too.
  void SaveState() const;

  // The window as it shows now, rendered into an image (the HTML pane brought up to date
  // first). The window is laid out if it never was shown.
  QImage Screenshot();

  QAction* NewAction() const { return newAction_; }
  QAction* OpenHtmlAction() const { return openHtmlAction_; }
  QAction* OpenRtfAction() const { return openRtfAction_; }
  QMenu* RecentMenu() const { return recentMenu_; }
  QAction* SaveAction() const { return saveAction_; }
  QAction* SaveAsHtmlAction() const { return saveAsHtmlAction_; }
  QAction* SaveAsRtfAction() const { return saveAsRtfAction_; }
  QAction* QuitAction() const { return quitAction_; }
  QAction* PropertiesAction() const { return propertiesAction_; }
  // The Edit and Format menus' actions by object name ("undo", "cut", "bold", "alignRight",
  // ...); null for no such action.
  QAction* MenuAction(const QString& name) const;

  // The sample page shown on the first start.
  static QString SampleHtml();
  // The field-settings packet a window starts with when none is set: common web-safe font face
  // lists, so that the face menu offers them and a page's faces survive.
  static QString DefaultWddx();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildEditMenu();
  void BuildFormatMenu();
  QAction* AddCommand(QMenu& menu, const QString& name, const QString& text, const char* key,
                      const QKeySequence& shortcut = {});
  void UpdateCommands();
  void RestoreState();
  void RestoreProperties();
  void RestoreDocument();
  bool LoadHtml(const QString& html, QString* error);
  void ApplyDefaults();
  void FollowDocumentFolder();
  void FitToScreen();
  void ShowProperties();
  void UpdateTitle();
  void OnContentsChanged();
  void OnSourceReady();
  void ShowBusyWhileLayingOut();
  // Asks about unsaved changes; false when the user cancels (or a save failed).
  bool MaySetAside(bool* discarded = nullptr);
  void AddRecentFile(const QString& path);
  void UpdateRecentMenu();
  QString AskFile(FileAction action, FileKind kind);
  void ReportError(const QString& message);

  QSettings* settings_;
  ScrivletWidget* editor_ = nullptr;
  QPlainTextEdit* source_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTimer* sourceTimer_ = nullptr;
  QTimer* layoutQuiet_ = nullptr;
  QFutureWatcher<QString>* sourceJob_ = nullptr;
  // Which edit the HTML being built belongs to: a result for an older one is dropped.
  std::uint64_t documentGeneration_ = 0;
  std::uint64_t sourceGeneration_ = 0;
  // The edit whose HTML the pane shows; none at first.
  std::uint64_t shownGeneration_ = ~std::uint64_t{0};
  QString filePath_;
  FileKind fileKind_ = FileKind::kHtml;
  bool modified_ = false;
  // Document loads by the window itself are not the user's edits.
  bool loading_ = false;
  // The stored document could not be loaded: it stays stored until the user replaces it.
  bool storedDocumentUnread_ = false;
  // The images folder the window chose itself (beside the document); a folder the user set
  // is left alone.
  QString autoImagesPath_;
  QStringList recentFiles_;

  FileChooser chooseFile_;
  ChangesQuestion askChanges_;
  ErrorReporter reportError_;

  QAction* newAction_ = nullptr;
  QAction* openHtmlAction_ = nullptr;
  QAction* openRtfAction_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QAction* saveAction_ = nullptr;
  QAction* saveAsHtmlAction_ = nullptr;
  QAction* saveAsRtfAction_ = nullptr;
  QAction* quitAction_ = nullptr;
  QAction* propertiesAction_ = nullptr;
  // Menu actions that run a toolbar command: enabled as the toolbar offers it.
  std::vector<std::pair<QAction*, std::string_view>> commandActions_;
};

// Points every QSettings of the process (each format, the user's and the system's scope) at a
// temporary folder of its own for the object's life, so that nothing is read from or written to
// the user's configuration: `scrivlet-demo --fresh`. The paths stay so afterwards.
class RunScopedSettings {
 public:
  RunScopedSettings();
  RunScopedSettings(const RunScopedSettings&) = delete;
  RunScopedSettings& operator=(const RunScopedSettings&) = delete;

  // False when no temporary folder could be made (ErrorString says why); nothing was changed.
  bool IsValid() const { return folder_.isValid(); }
  QString ErrorString() const { return folder_.errorString(); }
  QString Path() const { return folder_.path(); }

 private:
  QTemporaryDir folder_;
};

// Edit > Properties: the editor's properties as a form with readable labels: check boxes for
// the button groups and switches, a list of HTML sizes, a font face field, a password field for
// the FTP password, colour buttons (the background may follow the system's colour). Set on the
// editor when accepted.
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
