#include "demo_window.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <initializer_list>
#include <limits>
#include <string>

#include "control/scrivlet.h"
#include "conversion/rtf_to_html.h"
#include "platform/property_bag.h"
#include "qt/qt_property_bag.h"
#include "qt/qt_rich_text_box.h"
#include "qt/scrivlet_widget.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

constexpr const char* kPropertiesGroup = "Editor";
constexpr const char* kDocumentKey = "Document/HTML";
constexpr const char* kUnreadDocumentKey = "Document/Unread HTML";
constexpr const char* kFileKey = "Document/Path";
constexpr const char* kKindKey = "Document/Kind";
constexpr const char* kModifiedKey = "Document/Modified";
constexpr const char* kAutoImagesKey = "Document/ImagesPath";
constexpr const char* kRecentKey = "RecentFiles";
constexpr const char* kGeometryKey = "Window/Geometry";
constexpr const char* kSplitterKey = "Window/Splitter";

// After a large page is loaded, the busy pointer shows until its layout has been quiet this long.
constexpr int kLayoutQuietMs = 150;

QString FilterFor(DemoWindow::FileKind kind) {
  return kind == DemoWindow::FileKind::kHtml
             ? QStringLiteral("HTML files (*.html *.htm);;All files (*)")
             : QStringLiteral("RTF files (*.rtf);;All files (*)");
}

QString SuffixFor(DemoWindow::FileKind kind) {
  return kind == DemoWindow::FileKind::kHtml ? QStringLiteral("html") : QStringLiteral("rtf");
}

DemoWindow::FileKind KindOf(const QString& path) {
  return QFileInfo(path).suffix().compare(QLatin1String("rtf"), Qt::CaseInsensitive) == 0
             ? DemoWindow::FileKind::kRtf
             : DemoWindow::FileKind::kHtml;
}

// Reads a stored property set value by value: a value that cannot be read (FontSize=abc) takes
// its default and is reported, and every other property is still restored, so that closing the
// window does not replace the whole stored set by defaults.
class TolerantPropertyBag final : public PropertyBag {
 public:
  explicit TolerantPropertyBag(const PropertyBag& inner) : inner_(inner) {}

  std::string ReadString(std::string_view name, std::string_view default_value) const override {
    return Read(std::string(default_value), [&] { return inner_.ReadString(name, default_value); });
  }
  std::int16_t ReadInt16(std::string_view name, std::int16_t default_value) const override {
    return Read(default_value, [&] { return inner_.ReadInt16(name, default_value); });
  }
  std::int32_t ReadInt32(std::string_view name, std::int32_t default_value) const override {
    return Read(default_value, [&] { return inner_.ReadInt32(name, default_value); });
  }
  bool ReadBoolean(std::string_view name, bool default_value) const override {
    return Read(default_value, [&] { return inner_.ReadBoolean(name, default_value); });
  }
  // Restoring only reads.
  void WriteString(std::string_view, std::string_view, std::string_view) override {}
  void WriteInt16(std::string_view, std::int16_t, std::int16_t) override {}
  void WriteInt32(std::string_view, std::int32_t, std::int32_t) override {}
  void WriteBoolean(std::string_view, bool, bool) override {}

  const QStringList& Errors() const { return errors_; }

 private:
  template <typename T, typename Reader>
  T Read(T default_value, Reader read) const {
    try {
      return read();
    } catch (const PropertyBagError& failure) {
      errors_ << QString::fromUtf8(failure.what());
      return default_value;
    }
  }

  const PropertyBag& inner_;
  mutable QStringList errors_;
};

// Colour fields show their colour and keep it in the "color" property; an invalid colour is
// the system's.
void ShowColor(QPushButton& button, const QColor& color) {
  button.setProperty("color", color);
  if (!color.isValid()) {
    button.setText(QObject::tr("System colour"));
    button.setIcon(QIcon());
    return;
  }
  button.setText(color.name(QColor::HexRgb));
  QPixmap swatch(16, 16);
  swatch.fill(color);
  button.setIcon(QIcon(swatch));
}

}  // namespace

DemoWindow::DemoWindow(QSettings* settings, ErrorReporter reporter, QWidget* parent)
    : QMainWindow(parent), settings_(settings), reportError_(std::move(reporter)) {
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName(QStringLiteral("splitter"));
  editor_ = new ScrivletWidget(splitter_);
  editor_->setObjectName(QStringLiteral("editor"));
  source_ = new QPlainTextEdit(splitter_);
  source_->setObjectName(QStringLiteral("htmlSource"));
  source_->setReadOnly(true);
  source_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  source_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  splitter_->addWidget(editor_);
  splitter_->addWidget(source_);
  splitter_->setStretchFactor(0, 3);
  splitter_->setStretchFactor(1, 2);
  setCentralWidget(splitter_);

  sourceTimer_ = new QTimer(this);
  sourceTimer_->setSingleShot(true);
  sourceTimer_->setInterval(kSourceDelayMs);
  connect(sourceTimer_, &QTimer::timeout, this, &DemoWindow::RefreshSource);
  sourceJob_ = new QFutureWatcher<QString>(this);
  connect(sourceJob_, &QFutureWatcher<QString>::finished, this, &DemoWindow::OnSourceReady);
  layoutQuiet_ = new QTimer(this);
  layoutQuiet_->setSingleShot(true);
  layoutQuiet_->setInterval(kLayoutQuietMs);
  connect(layoutQuiet_, &QTimer::timeout, this, [] { QGuiApplication::restoreOverrideCursor(); });
  connect(editor_, &ScrivletWidget::contentsChanged, this, &DemoWindow::OnContentsChanged);
  connect(editor_, &ScrivletWidget::conversionFailed, this, &DemoWindow::ReportError);
  // The toolbar takes the group away once the assignment has returned.
  connect(editor_, &ScrivletWidget::buttonsChanged, this, &DemoWindow::UpdateCommands,
          Qt::QueuedConnection);
  connect(editor_, &ScrivletWidget::publishingChanged, this, &DemoWindow::FollowDocumentFolder);

  BuildMenus();
  resize(900, 680);
  RestoreState();
  FitToScreen();
  RefreshSource();
  UpdateTitle();
}

DemoWindow::~DemoWindow() {
  if (layoutQuiet_->isActive()) {
    QGuiApplication::restoreOverrideCursor();
  }
  // The worker holds its own copy of the document; its result has nowhere to go.
  sourceJob_->disconnect(this);
}

QAction* DemoWindow::AddCommand(QMenu& menu, const QString& name, const QString& text,
                                const char* key, const QKeySequence& shortcut) {
  QAction* action = menu.addAction(text);
  action->setObjectName(name);
  action->setShortcut(shortcut);
  if (key != nullptr) {
    const std::string_view command(key);
    connect(action, &QAction::triggered, this, [this, command] { editor_->RunCommand(command); });
    commandActions_.emplace_back(action, command);
  }
  return action;
}

void DemoWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  newAction_ = file->addAction(tr("&New"), this, &DemoWindow::NewDocument);
  newAction_->setShortcut(QKeySequence::New);
  file->addSeparator();
  openHtmlAction_ =
      file->addAction(tr("&Open HTML..."), this, [this] { OpenDocument(FileKind::kHtml); });
  openHtmlAction_->setShortcut(QKeySequence::Open);
  openRtfAction_ =
      file->addAction(tr("Open &RTF..."), this, [this] { OpenDocument(FileKind::kRtf); });
  recentMenu_ = file->addMenu(tr("Open Re&cent"));
  recentMenu_->setObjectName(QStringLiteral("recentFiles"));
  file->addSeparator();
  saveAction_ = file->addAction(tr("&Save"), this, &DemoWindow::Save);
  saveAction_->setShortcut(QKeySequence::Save);
  saveAsHtmlAction_ =
      file->addAction(tr("Save &As HTML..."), this, [this] { SaveDocumentAs(FileKind::kHtml); });
  saveAsHtmlAction_->setShortcut(QKeySequence::SaveAs);
  saveAsRtfAction_ =
      file->addAction(tr("Save As R&TF..."), this, [this] { SaveDocumentAs(FileKind::kRtf); });
  file->addSeparator();
  quitAction_ = file->addAction(tr("&Quit"), this, &QWidget::close);
  quitAction_->setShortcut(QKeySequence::Quit);

  BuildEditMenu();
  BuildFormatMenu();
}

void DemoWindow::BuildEditMenu() {
  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  // The editing widget handles these keys itself while it has the focus; the menu's shortcuts
  // act only while the menu is open, so that no key has two owners.
  const auto ownedByEditor = [](QAction* action) {
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    return action;
  };
  ownedByEditor(
      AddCommand(*edit, QStringLiteral("undo"), tr("&Undo"), nullptr, QKeySequence::Undo));
  connect(MenuAction(QStringLiteral("undo")), &QAction::triggered, editor_, &ScrivletWidget::Undo);
  // Ctrl+Y and Ctrl+Shift+Z, as the editing widget takes them.
  QAction* redo = ownedByEditor(AddCommand(*edit, QStringLiteral("redo"), tr("&Redo"), nullptr));
  redo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  connect(redo, &QAction::triggered, editor_, &ScrivletWidget::Redo);
  edit->addSeparator();
  connect(ownedByEditor(
              AddCommand(*edit, QStringLiteral("cut"), tr("Cu&t"), nullptr, QKeySequence::Cut)),
          &QAction::triggered, editor_, &ScrivletWidget::Cut);
  connect(ownedByEditor(
              AddCommand(*edit, QStringLiteral("copy"), tr("&Copy"), nullptr, QKeySequence::Copy)),
          &QAction::triggered, editor_, &ScrivletWidget::Copy);
  connect(ownedByEditor(AddCommand(*edit, QStringLiteral("paste"), tr("&Paste"), nullptr,
                                   QKeySequence::Paste)),
          &QAction::triggered, editor_, &ScrivletWidget::Paste);
  connect(ownedByEditor(AddCommand(*edit, QStringLiteral("selectAll"), tr("Select &All"), nullptr,
                                   QKeySequence::SelectAll)),
          &QAction::triggered, editor_, &ScrivletWidget::SelectAll);
  edit->addSeparator();
  ownedByEditor(AddCommand(*edit, QStringLiteral("insertHyperlink"), tr("Insert &Hyperlink..."),
                           "Hyperlink", QKeySequence(Qt::CTRL | Qt::Key_K)));
  AddCommand(*edit, QStringLiteral("insertPicture"), tr("Insert P&icture..."), "Picture",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
  edit->addSeparator();
  propertiesAction_ = edit->addAction(tr("P&roperties..."), this, &DemoWindow::ShowProperties);
  propertiesAction_->setObjectName(QStringLiteral("properties"));
  connect(edit, &QMenu::aboutToShow, this, &DemoWindow::UpdateCommands);
}

void DemoWindow::BuildFormatMenu() {
  QMenu* format = menuBar()->addMenu(tr("F&ormat"));
  AddCommand(*format, QStringLiteral("fontFace"), tr("&Font..."), "FontFace",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  AddCommand(*format, QStringLiteral("fontSize"), tr("Font &Size..."), "FontSize",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
  AddCommand(*format, QStringLiteral("fontColor"), tr("Font &Colour..."), "FontColor",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  format->addSeparator();
  // Ctrl+B, Ctrl+I and Ctrl+U belong to the editing widget (see the Edit menu).
  for (QAction* action :
       {AddCommand(*format, QStringLiteral("bold"), tr("&Bold"), "Bold", QKeySequence::Bold),
        AddCommand(*format, QStringLiteral("italic"), tr("&Italic"), "Italic",
                   QKeySequence::Italic),
        AddCommand(*format, QStringLiteral("underline"), tr("&Underline"), "Underline",
                   QKeySequence::Underline)}) {
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  }
  format->addSeparator();
  AddCommand(*format, QStringLiteral("alignLeft"), tr("Align &Left"), "Left",
             QKeySequence(Qt::CTRL | Qt::Key_L));
  AddCommand(*format, QStringLiteral("alignCenter"), tr("C&entre"), "Center",
             QKeySequence(Qt::CTRL | Qt::Key_E));
  AddCommand(*format, QStringLiteral("alignRight"), tr("Align &Right"), "Right",
             QKeySequence(Qt::CTRL | Qt::Key_R));
  format->addSeparator();
  AddCommand(*format, QStringLiteral("bullets"), tr("Bu&llets"), "Bullets",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
  AddCommand(*format, QStringLiteral("indentLess"), tr("&Decrease Indent"), "IndentLeft",
             QKeySequence(Qt::CTRL | Qt::Key_BracketLeft));
  AddCommand(*format, QStringLiteral("indentMore"), tr("I&ncrease Indent"), "IndentRight",
             QKeySequence(Qt::CTRL | Qt::Key_BracketRight));
  connect(format, &QMenu::aboutToShow, this, &DemoWindow::UpdateCommands);
}

QAction* DemoWindow::MenuAction(const QString& name) const {
  for (QAction* menu : menuBar()->actions()) {
    if (menu->menu() == nullptr) {
      continue;
    }
    for (QAction* action : menu->menu()->actions()) {
      if (action->objectName() == name) {
        return action;
      }
    }
  }
  return nullptr;
}

void DemoWindow::UpdateCommands() {
  for (const auto& [action, key] : commandActions_) {
    action->setEnabled(editor_->CommandEnabled(key));
  }
  MenuAction(QStringLiteral("undo"))->setEnabled(editor_->Surface().CanUndo());
  MenuAction(QStringLiteral("redo"))->setEnabled(editor_->Surface().CanRedo());
}

QString DemoWindow::SampleHtml() {
  QFile sample(QStringLiteral(":/scrivlet-demo/sample.html"));
  if (!sample.open(QIODevice::ReadOnly)) {
    return {};
  }
  return QString::fromUtf8(sample.readAll());
}

QString DemoWindow::DefaultWddx() {
  static const char* const kFaceLists[] = {
      "Arial, Helvetica, sans-serif",           "Verdana, Arial, Helvetica, sans-serif",
      "Tahoma, Verdana, Segoe, sans-serif",     "Trebuchet MS, Helvetica, sans-serif",
      "Georgia, Times New Roman, Times, serif", "Times New Roman, Times, serif",
      "Courier New, Courier, monospace",
  };
  QString packet =
      QStringLiteral(
          "<wddxPacket version='1.0'><header/><data><struct><field name='FONT_FACE'><array "
          "length='%1'>")
          .arg(std::size(kFaceLists));
  for (const char* faces : kFaceLists) {
    packet += QStringLiteral("<string>%1</string>").arg(QString::fromLatin1(faces));
  }
  return packet + QStringLiteral("</array></field></struct></data></wddxPacket>");
}

void DemoWindow::RestoreState() {
  if (settings_ != nullptr) {
    autoImagesPath_ = settings_->value(QString::fromLatin1(kAutoImagesKey)).toString();
    RestoreProperties();
    restoreGeometry(settings_->value(QString::fromLatin1(kGeometryKey)).toByteArray());
    splitter_->restoreState(settings_->value(QString::fromLatin1(kSplitterKey)).toByteArray());
    recentFiles_ = settings_->value(QString::fromLatin1(kRecentKey)).toStringList();
  }
  ApplyDefaults();
  RestoreDocument();
  UpdateRecentMenu();
  FollowDocumentFolder();
}

void DemoWindow::RestoreProperties() {
  const QSettingsPropertyBag stored(*settings_, QString::fromLatin1(kPropertiesGroup));
  const TolerantPropertyBag bag(stored);
  editor_->RestoreProperties(bag);
  for (const QString& error : bag.Errors()) {
    ReportError(tr("A saved editor property could not be read and has its default: %1").arg(error));
  }
}

void DemoWindow::ApplyDefaults() {
  if (editor_->WDDX().isEmpty()) {
    editor_->setWDDX(DefaultWddx());
  }
}

bool DemoWindow::LoadHtml(const QString& html, QString* error) {
  loading_ = true;
  const bool loaded = editor_->TrySetTextHTML(html, error);
  loading_ = false;
  ShowBusyWhileLayingOut();
  return loaded;
}

void DemoWindow::RestoreDocument() {
  const auto stored = [this](const char* key) {
    return settings_ != nullptr ? settings_->value(QString::fromLatin1(key)) : QVariant();
  };
  const QString path = stored(kFileKey).toString();
  const bool storedModified = stored(kModifiedKey).toBool();
  const QVariant document = stored(kDocumentKey);
  // A document saved unchanged comes back from its file, as it is now.
  if (!path.isEmpty() && !storedModified && QFileInfo(path).isFile()) {
    if (OpenFile(path, stored(kKindKey).toString() == QLatin1String("rtf") ? FileKind::kRtf
                                                                           : FileKind::kHtml)) {
      return;
    }
  }
  filePath_ = path;
  fileKind_ =
      stored(kKindKey).toString() == QLatin1String("rtf") ? FileKind::kRtf : FileKind::kHtml;
  QString error;
  if (!LoadHtml(document.isValid() ? document.toString() : SampleHtml(), &error)) {
    // Kept where it was stored until the user replaces it: nothing is lost to one bad value.
    storedDocumentUnread_ = true;
    ReportError(
        tr("The saved document could not be loaded; it is kept in the settings: %1").arg(error));
  }
  // Changes that were never saved are still changes; so is a file that is gone.
  modified_ = storedModified || (!path.isEmpty() && !QFileInfo(path).isFile());
}

void DemoWindow::SaveState() const {
  if (settings_ == nullptr) {
    return;
  }
  editor_->SaveProperties(*settings_, QString::fromLatin1(kPropertiesGroup));
  if (storedDocumentUnread_) {
    // The unread document stays, under a name of its own once the user made a new one.
    const QVariant unread = settings_->value(QString::fromLatin1(kDocumentKey));
    if (modified_ && unread.isValid()) {
      settings_->setValue(QString::fromLatin1(kUnreadDocumentKey), unread);
    }
  }
  if (!storedDocumentUnread_ || modified_) {
    settings_->setValue(QString::fromLatin1(kDocumentKey), editor_->TextHTML());
  }
  settings_->setValue(QString::fromLatin1(kFileKey), filePath_);
  settings_->setValue(QString::fromLatin1(kKindKey), SuffixFor(fileKind_));
  settings_->setValue(QString::fromLatin1(kModifiedKey), modified_);
  settings_->setValue(QString::fromLatin1(kRecentKey), recentFiles_);
  settings_->setValue(QString::fromLatin1(kAutoImagesKey), autoImagesPath_);
  settings_->setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
  settings_->setValue(QString::fromLatin1(kSplitterKey), splitter_->saveState());
  settings_->sync();
}

void DemoWindow::closeEvent(QCloseEvent* event) {
  bool discarded = false;
  if (!MaySetAside(&discarded)) {
    event->ignore();
    return;
  }
  if (discarded) {
    // What is kept is what was saved: the file (read again on the next start), or nothing for
    // a new document.
    loading_ = true;
    editor_->setTextRTF(QString());
    loading_ = false;
    modified_ = false;
    storedDocumentUnread_ = false;
  }
  SaveState();
  event->accept();
}

void DemoWindow::FitToScreen() {
  const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (where == nullptr) {
    return;
  }
  // The frame (title bar, borders) needs room too.
  const QRect available = where->availableGeometry();
  const QSize room(available.width() * 9 / 10, available.height() * 9 / 10);
  const QSize size = this->size().boundedTo(room).expandedTo(minimumSizeHint().boundedTo(room));
  if (size != this->size()) {
    resize(size);
  }
  if (!available.contains(frameGeometry())) {
    move(available.left() + (available.width() - frameGeometry().width()) / 2,
         available.top() + (available.height() - frameGeometry().height()) / 2);
  }
}

void DemoWindow::FollowDocumentFolder() {
  // A folder or server the user chose is theirs.
  const QString current = editor_->ImagesPath();
  if (!editor_->FTPServer().isEmpty() || (!current.isEmpty() && current != autoImagesPath_)) {
    return;
  }
  QString folder;
  if (!filePath_.isEmpty()) {
    const QDir beside = QFileInfo(filePath_).absoluteDir();
    folder = beside.exists(QStringLiteral("images")) ? beside.filePath(QStringLiteral("images"))
                                                     : beside.absolutePath();
  } else {
    folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) {
      folder = QDir::homePath();
    }
  }
  folder = QDir::toNativeSeparators(QDir::cleanPath(folder));
  autoImagesPath_ = folder;
  if (current != folder) {
    editor_->setImagesPath(folder);
  }
}

void DemoWindow::OnContentsChanged() {
  ++documentGeneration_;
  sourceTimer_->start();
  if (!loading_ && !modified_) {
    modified_ = true;
    UpdateTitle();
  }
}

void DemoWindow::RefreshSource() {
  sourceTimer_->stop();
  if (sourceGeneration_ == documentGeneration_ && sourceJob_->future().isValid() &&
      shownGeneration_ != documentGeneration_) {
    return;  // on its way
  }
  sourceGeneration_ = documentGeneration_;
  // The worker converts a copy of the document with tables of its own; the editor goes on.
  ConversionContext context = editor_->Control().ConversionSettings();
  std::string rtf = editor_->Control().TextRTF();
  sourceJob_->setFuture(QtConcurrent::run([rtf = std::move(rtf),
                                           context = std::move(context)]() mutable {
    try {
      std::string html = BuildMarkerComment() + RtfToHtml(rtf, context);
      return QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size()));
    } catch (const std::exception& failure) {
      return QObject::tr("The HTML could not be built: %1").arg(QString::fromUtf8(failure.what()));
    }
  }));
}

void DemoWindow::OnSourceReady() {
  // Only the newest edit's HTML is shown; an edit since then has its own on the way.
  if (sourceGeneration_ != documentGeneration_) {
    if (!sourceTimer_->isActive()) {
      RefreshSource();
    }
    return;
  }
  shownGeneration_ = sourceGeneration_;
  QString html = sourceJob_->result();
  if (html.size() > kSourcePaneLimit) {
    const qsizetype full = html.size();
    html.truncate(kSourcePaneLimit);
    html +=
        QLatin1Char('\n') + tr("[... the HTML is %1 characters (%2); the first %3 are shown]")
                                .arg(QLocale().toString(full), QLocale().formattedDataSize(full),
                                     QLocale().toString(kSourcePaneLimit));
  }
  if (source_->toPlainText() != html) {
    source_->setPlainText(html);
  }
}

void DemoWindow::FinishSource() {
  while (shownGeneration_ != documentGeneration_) {
    if (sourceGeneration_ != documentGeneration_ || !sourceJob_->future().isValid()) {
      RefreshSource();
    }
    sourceJob_->waitForFinished();
    // The watcher reports from the event loop; the result is taken here at once.
    OnSourceReady();
  }
}

bool DemoWindow::SourcePending() const {
  return shownGeneration_ != documentGeneration_;
}

void DemoWindow::ShowBusyWhileLayingOut() {
  // Only a page large enough to be laid out in steps keeps the user waiting.
  QTextDocument* document = editor_->Editor()->document();
  if (document->characterCount() < 100000) {
    return;
  }
  if (!layoutQuiet_->isActive()) {
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    connect(document->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
            layoutQuiet_, qOverload<>(&QTimer::start), Qt::UniqueConnection);
  }
  layoutQuiet_->start();
}

void DemoWindow::UpdateTitle() {
  const QString name = filePath_.isEmpty() ? tr("Untitled") : QFileInfo(filePath_).fileName();
  setWindowTitle(tr("%1[*] - Scrivlet Demo").arg(name));
  setWindowModified(modified_);
}

bool DemoWindow::MaySetAside(bool* discarded) {
  if (!modified_) {
    return true;
  }
  ChangesAnswer answer = ChangesAnswer::kCancel;
  if (askChanges_) {
    answer = askChanges_();
  } else {
    const QString name =
        filePath_.isEmpty() ? tr("The new document") : QFileInfo(filePath_).fileName();
    switch (QMessageBox::question(
        this, tr("Scrivlet Demo"), tr("%1 has unsaved changes. Save them?").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save)) {
      case QMessageBox::Save:
        answer = ChangesAnswer::kSave;
        break;
      case QMessageBox::Discard:
        answer = ChangesAnswer::kDiscard;
        break;
      default:
        break;
    }
  }
  switch (answer) {
    case ChangesAnswer::kSave:
      return Save();
    case ChangesAnswer::kDiscard:
      if (discarded != nullptr) {
        *discarded = true;
      }
      return true;
    case ChangesAnswer::kCancel:
      break;
  }
  return false;
}

QString DemoWindow::AskFile(FileAction action, FileKind kind) {
  QString proposal = filePath_;
  if (!proposal.isEmpty()) {
    const QFileInfo info(proposal);
    proposal = info.dir().filePath(info.completeBaseName() + QLatin1Char('.') + SuffixFor(kind));
  }
  if (chooseFile_) {
    return chooseFile_(action, kind, proposal);
  }
  if (action == FileAction::kOpen) {
    return QFileDialog::getOpenFileName(this, tr("Open"), proposal, FilterFor(kind));
  }
  QFileDialog dialog(this, tr("Save As"), proposal, FilterFor(kind));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(SuffixFor(kind));
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void DemoWindow::ReportError(const QString& message) {
  if (reportError_) {
    reportError_(message);
  } else {
    QMessageBox::warning(this, tr("Scrivlet Demo"), message);
  }
}

void DemoWindow::NewDocument() {
  if (!MaySetAside()) {
    return;
  }
  loading_ = true;
  editor_->setTextRTF(QString());
  loading_ = false;
  filePath_.clear();
  fileKind_ = FileKind::kHtml;
  modified_ = false;
  storedDocumentUnread_ = false;
  FollowDocumentFolder();
  RefreshSource();
  UpdateTitle();
}

void DemoWindow::OpenDocument(FileKind kind) {
  if (!MaySetAside()) {
    return;
  }
  const QString path = AskFile(FileAction::kOpen, kind);
  if (!path.isEmpty()) {
    OpenFile(path, kind);
  }
}

bool DemoWindow::Save() {
  if (filePath_.isEmpty()) {
    return SaveDocumentAs(FileKind::kHtml);
  }
  return SaveFile(filePath_, fileKind_);
}

bool DemoWindow::SaveDocumentAs(FileKind kind) {
  const QString path = AskFile(FileAction::kSave, kind);
  return !path.isEmpty() && SaveFile(path, kind);
}

bool DemoWindow::OpenFile(const QString& path, FileKind kind) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ReportError(tr("%1 could not be opened: %2").arg(path, file.errorString()));
    return false;
  }
  QGuiApplication::setOverrideCursor(Qt::BusyCursor);
  const QByteArray bytes = file.readAll();
  file.close();
  QString error;
  bool loaded = true;
  if (kind == FileKind::kHtml) {
    loaded = LoadHtml(QString::fromUtf8(bytes), &error);
  } else {
    loading_ = true;
    editor_->setTextRTF(QString::fromUtf8(bytes));
    loading_ = false;
    ShowBusyWhileLayingOut();
  }
  QGuiApplication::restoreOverrideCursor();
  if (layoutQuiet_->isActive()) {
    layoutQuiet_->start();  // the quiet counts from now
  }
  if (!loaded) {
    ReportError(tr("%1 could not be read: %2").arg(path, error));
    return false;
  }
  filePath_ = QFileInfo(path).absoluteFilePath();
  fileKind_ = kind;
  modified_ = false;
  storedDocumentUnread_ = false;
  AddRecentFile(filePath_);
  FollowDocumentFolder();
  // The pane follows once the page is on screen: copying the document for it waits for the pause.
  sourceTimer_->start();
  UpdateTitle();
  return true;
}

bool DemoWindow::SaveFile(const QString& path, FileKind kind) {
  QSaveFile file(path);
  const QString text = kind == FileKind::kHtml ? editor_->TextHTML() : editor_->TextRTF();
  if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
    ReportError(tr("%1 could not be saved: %2").arg(path, file.errorString()));
    return false;
  }
  filePath_ = QFileInfo(path).absoluteFilePath();
  fileKind_ = kind;
  modified_ = false;
  storedDocumentUnread_ = false;
  AddRecentFile(filePath_);
  FollowDocumentFolder();
  UpdateTitle();
  return true;
}

void DemoWindow::AddRecentFile(const QString& path) {
  recentFiles_.removeAll(path);
  recentFiles_.prepend(path);
  while (recentFiles_.size() > kRecentFileCount) {
    recentFiles_.removeLast();
  }
  UpdateRecentMenu();
}

void DemoWindow::UpdateRecentMenu() {
  recentMenu_->clear();
  for (const QString& path : recentFiles_) {
    QAction* action = recentMenu_->addAction(QDir::toNativeSeparators(path));
    connect(action, &QAction::triggered, this, [this, path] {
      if (MaySetAside()) {
        OpenFile(path, KindOf(path));
      }
    });
  }
  recentMenu_->setEnabled(!recentFiles_.isEmpty());
}

void DemoWindow::ShowProperties() {
  PropertiesDialog dialog(*editor_, this);
  if (dialog.exec() == QDialog::Accepted) {
    dialog.Apply();
  }
}

QImage DemoWindow::Screenshot() {
  FinishSource();
  if (!isVisible()) {
    // Laid out and painted as if shown, without a window on the screen.
    setAttribute(Qt::WA_DontShowOnScreen);
    show();
  }
  QCoreApplication::sendPostedEvents();
  return grab().toImage();
}

// ----- RunScopedSettings -----

RunScopedSettings::RunScopedSettings() {
  if (!folder_.isValid()) {
    return;
  }
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
      QSettings::setPath(format, scope, folder_.path());
    }
  }
}

// ----- PropertiesDialog -----

namespace {

QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A colour property whose default is the system's colour: the form offers to go back to it.
bool FollowsSystemColor(const PropertyDefinition& property) {
  return property.type == PropertyType::kColor &&
         std::get<std::int32_t>(property.defaultValue) == Scrivlet::kSystemWindowColor;
}

}  // namespace

PropertiesDialog::PropertiesDialog(ScrivletWidget& editor, QWidget* parent)
    : QDialog(parent), editor_(editor) {
  setWindowTitle(tr("Editor Properties"));
  auto* form = new QFormLayout;
  // Every setting of the control's table, in its order; the document is the window's own.
  for (const PropertyDefinition& property : ControlProperties()) {
    const QString name = ToQt(property.name);
    const QVariant value = editor_.property(name.toLatin1().constData());
    QWidget* field = nullptr;
    switch (property.type) {
      case PropertyType::kDocument:
        break;
      case PropertyType::kHtmlSize: {
        auto* sizes = new QComboBox(this);
        for (const std::string& text : Scrivlet::kFontSizeMenuItems) {
          if (text != "Normal") {
            sizes->addItem(QString::fromStdString(text), sizes->count() + 1);
          }
        }
        const int index = sizes->findData(value.toInt());
        if (index < 0) {
          // A size outside the list stays as it is unless the user picks another.
          sizes->addItem(tr("%1 (as set)").arg(value.toInt()), value.toInt());
        }
        sizes->setCurrentIndex(index >= 0 ? index : sizes->count() - 1);
        field = sizes;
        break;
      }
      case PropertyType::kChoice: {
        auto* box = new QComboBox(this);
        for (const std::string_view choice : property.choices) {
          box->addItem(ToQt(choice), ToQt(choice));
        }
        box->setCurrentIndex(std::max(0, box->findData(value.toString())));
        field = box;
        break;
      }
      case PropertyType::kPassword: {
        // The property holds the scrambled form; the user sees and types the password itself.
        auto* line = new QLineEdit(QString::fromStdString(ScramblePassword(
                                       ScrambleDirection::kDecode, value.toString().toStdString())),
                                   this);
        line->setEchoMode(QLineEdit::Password);
        field = line;
        break;
      }
      case PropertyType::kBoolean:
      case PropertyType::kButtonGroup: {
        auto* box = new QCheckBox(this);
        box->setChecked(value.toBool());
        // A button group once removed does not come back.
        if (property.type == PropertyType::kButtonGroup && !value.toBool()) {
          box->setEnabled(false);
        }
        field = box;
        break;
      }
      case PropertyType::kText: {
        auto* line = new QLineEdit(value.toString(), this);
        line->setMinimumWidth(320);
        field = line;
        break;
      }
      case PropertyType::kColor: {
        auto* button = new QPushButton(this);
        const bool system =
            FollowsSystemColor(property) &&
            std::get<std::int32_t>(property.get(editor_.Control())) == Scrivlet::kSystemWindowColor;
        ShowColor(*button, system ? QColor() : value.value<QColor>());
        connect(button, &QPushButton::clicked, this, [this, button] {
          const QColor current = button->property("color").value<QColor>();
          const QColor chosen =
              QColorDialog::getColor(current.isValid() ? current : Qt::white, this, tr("Colour"));
          if (chosen.isValid()) {
            ShowColor(*button, chosen);
          }
        });
        field = button;
        break;
      }
    }
    if (field == nullptr) {
      continue;
    }
    field->setObjectName(name);
    const QString label = ToQt(property.label);
    if (FollowsSystemColor(property)) {
      // The colour may go back to following the system's.
      auto* row = new QWidget(this);
      auto* layout = new QHBoxLayout(row);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->addWidget(field, 1);
      auto* system = new QPushButton(tr("System colour"), row);
      system->setObjectName(name + QStringLiteral("System"));
      auto* button = static_cast<QPushButton*>(field);
      connect(system, &QPushButton::clicked, this, [button] { ShowColor(*button, QColor()); });
      form->addRow(label, row);
    } else {
      form->addRow(label, field);
    }
  }

  auto* fields = new QWidget(this);
  fields->setLayout(form);
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(fields);
  scroll->setWidgetResizable(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll);
  layout->addWidget(buttons);
  resize(560, 560);
}

QWidget* PropertiesDialog::Field(const char* property) const {
  return findChild<QWidget*>(QString::fromLatin1(property));
}

void PropertiesDialog::Apply() {
  for (const PropertyDefinition& property : ControlProperties()) {
    const QString name = ToQt(property.name);
    const QByteArray qtName = name.toLatin1();
    QWidget* field = Field(qtName.constData());
    if (field == nullptr) {
      continue;
    }
    QVariant value;
    if (auto* box = qobject_cast<QCheckBox*>(field)) {
      value = box->isChecked();
    } else if (auto* list = qobject_cast<QComboBox*>(field)) {
      value = property.type == PropertyType::kChoice ? list->currentData()
                                                     : list->currentData().toInt();
    } else if (auto* line = qobject_cast<QLineEdit*>(field)) {
      value = line->text();
      if (property.type == PropertyType::kPassword) {
        value = QString::fromStdString(
            ScramblePassword(ScrambleDirection::kEncode, line->text().toStdString()));
      }
    } else if (auto* button = qobject_cast<QPushButton*>(field)) {
      const QColor color = button->property("color").value<QColor>();
      if (!color.isValid()) {
        if (FollowsSystemColor(property) &&
            std::get<std::int32_t>(property.get(editor_.Control())) !=
                Scrivlet::kSystemWindowColor) {
          // Back to the system's colour, as the property's reset does.
          const QMetaObject* meta = editor_.metaObject();
          meta->property(meta->indexOfProperty(qtName.constData())).reset(&editor_);
        }
        continue;
      }
      value = color;
    }
    if (value.isValid() && value != editor_.property(qtName.constData())) {
      editor_.setProperty(qtName.constData(), value);
    }
  }
}

}  // namespace scrivlet
