#include "demo_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>

#include "qt/scrivlet_widget.h"

namespace scrivlet {

namespace {

constexpr const char* kPropertiesGroup = "Editor";
constexpr const char* kDocumentKey = "Document/HTML";
constexpr const char* kFileKey = "Document/Path";
constexpr const char* kGeometryKey = "Window/Geometry";
constexpr const char* kSplitterKey = "Window/Splitter";

QString FilterFor(DemoWindow::FileKind kind) {
  return kind == DemoWindow::FileKind::kHtml
             ? QStringLiteral("HTML files (*.html *.htm);;All files (*)")
             : QStringLiteral("RTF files (*.rtf);;All files (*)");
}

QString SuffixFor(DemoWindow::FileKind kind) {
  return kind == DemoWindow::FileKind::kHtml ? QStringLiteral("html") : QStringLiteral("rtf");
}

// Colour fields show their colour and keep it in the "color" property.
void ShowColor(QPushButton& button, const QColor& color) {
  button.setProperty("color", color);
  button.setText(color.name(QColor::HexRgb));
  QPixmap swatch(16, 16);
  swatch.fill(color);
  button.setIcon(QIcon(swatch));
}

}  // namespace

DemoWindow::DemoWindow(QSettings* settings, QWidget* parent)
    : QMainWindow(parent), settings_(settings) {
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
  connect(editor_, &ScrivletWidget::contentsChanged, this, &DemoWindow::OnContentsChanged);
  connect(editor_, &ScrivletWidget::conversionFailed, this, &DemoWindow::ReportError);

  BuildMenus();
  resize(900, 680);
  RestoreState();
  RefreshSource();
  UpdateTitle();
}

DemoWindow::~DemoWindow() = default;

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
  file->addSeparator();
  saveHtmlAction_ =
      file->addAction(tr("&Save HTML..."), this, [this] { SaveDocument(FileKind::kHtml); });
  saveHtmlAction_->setShortcut(QKeySequence::Save);
  saveRtfAction_ =
      file->addAction(tr("Save R&TF..."), this, [this] { SaveDocument(FileKind::kRtf); });
  file->addSeparator();
  quitAction_ = file->addAction(tr("&Quit"), this, &QWidget::close);
  quitAction_->setShortcut(QKeySequence::Quit);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  propertiesAction_ = edit->addAction(tr("&Properties..."), this, &DemoWindow::ShowProperties);
}

QString DemoWindow::SampleHtml() {
  QFile sample(QStringLiteral(":/scrivlet-demo/sample.html"));
  if (!sample.open(QIODevice::ReadOnly)) {
    return {};
  }
  return QString::fromUtf8(sample.readAll());
}

void DemoWindow::RestoreState() {
  loading_ = true;
  if (settings_ != nullptr) {
    QString error;
    if (!editor_->RestoreProperties(*settings_, QString::fromLatin1(kPropertiesGroup), &error)) {
      ReportError(tr("The saved editor properties could not be read: %1").arg(error));
    }
    restoreGeometry(settings_->value(QString::fromLatin1(kGeometryKey)).toByteArray());
    splitter_->restoreState(settings_->value(QString::fromLatin1(kSplitterKey)).toByteArray());
    filePath_ = settings_->value(QString::fromLatin1(kFileKey)).toString();
  }
  const QVariant saved =
      settings_ != nullptr ? settings_->value(QString::fromLatin1(kDocumentKey)) : QVariant();
  QString error;
  if (!editor_->TrySetTextHTML(saved.isValid() ? saved.toString() : SampleHtml(), &error)) {
    ReportError(tr("The document could not be loaded: %1").arg(error));
  }
  loading_ = false;
  modified_ = false;
}

void DemoWindow::SaveState() const {
  if (settings_ == nullptr) {
    return;
  }
  editor_->SaveProperties(*settings_, QString::fromLatin1(kPropertiesGroup));
  settings_->setValue(QString::fromLatin1(kDocumentKey), editor_->TextHTML());
  settings_->setValue(QString::fromLatin1(kFileKey), filePath_);
  settings_->setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
  settings_->setValue(QString::fromLatin1(kSplitterKey), splitter_->saveState());
  settings_->sync();
}

void DemoWindow::closeEvent(QCloseEvent* event) {
  SaveState();
  event->accept();
}

void DemoWindow::OnContentsChanged() {
  sourceTimer_->start();
  if (!loading_ && !modified_) {
    modified_ = true;
    UpdateTitle();
  }
}

void DemoWindow::RefreshSource() {
  sourceTimer_->stop();
  source_->setPlainText(editor_->TextHTML());
}

bool DemoWindow::SourcePending() const {
  return sourceTimer_->isActive();
}

void DemoWindow::UpdateTitle() {
  const QString name = filePath_.isEmpty() ? tr("Untitled") : QFileInfo(filePath_).fileName();
  setWindowTitle(tr("%1[*] - Scrivlet Demo").arg(name));
  setWindowModified(modified_);
}

bool DemoWindow::ConfirmDiscard() {
  if (!modified_) {
    return true;
  }
  if (mayDiscard_) {
    return mayDiscard_();
  }
  return QMessageBox::question(this, tr("Scrivlet Demo"),
                               tr("The document has changed. Discard the changes?"),
                               QMessageBox::Discard | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Discard;
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
  if (!ConfirmDiscard()) {
    return;
  }
  loading_ = true;
  editor_->setTextRTF(QString());
  loading_ = false;
  filePath_.clear();
  modified_ = false;
  RefreshSource();
  UpdateTitle();
}

void DemoWindow::OpenDocument(FileKind kind) {
  if (!ConfirmDiscard()) {
    return;
  }
  const QString path = AskFile(FileAction::kOpen, kind);
  if (!path.isEmpty()) {
    OpenFile(path, kind);
  }
}

void DemoWindow::SaveDocument(FileKind kind) {
  const QString path = AskFile(FileAction::kSave, kind);
  if (!path.isEmpty()) {
    SaveFile(path, kind);
  }
}

bool DemoWindow::OpenFile(const QString& path, FileKind kind) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ReportError(tr("%1 could not be opened: %2").arg(path, file.errorString()));
    return false;
  }
  const QString text = QString::fromUtf8(file.readAll());
  loading_ = true;
  QString error;
  bool loaded = true;
  if (kind == FileKind::kHtml) {
    loaded = editor_->TrySetTextHTML(text, &error);
  } else {
    editor_->setTextRTF(text);
  }
  loading_ = false;
  if (!loaded) {
    ReportError(tr("%1 could not be read: %2").arg(path, error));
    return false;
  }
  filePath_ = path;
  modified_ = false;
  RefreshSource();
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
  filePath_ = path;
  modified_ = false;
  UpdateTitle();
  return true;
}

void DemoWindow::ShowProperties() {
  PropertiesDialog dialog(*editor_, this);
  if (dialog.exec() == QDialog::Accepted) {
    dialog.Apply();
  }
}

QImage DemoWindow::Screenshot() {
  RefreshSource();
  if (!isVisible()) {
    // Laid out and painted as if shown, without a window on the screen.
    setAttribute(Qt::WA_DontShowOnScreen);
    show();
  }
  QCoreApplication::sendPostedEvents();
  return grab().toImage();
}

// ----- PropertiesDialog -----

PropertiesDialog::PropertiesDialog(ScrivletWidget& editor, QWidget* parent)
    : QDialog(parent), editor_(editor) {
  setWindowTitle(tr("Editor Properties"));
  auto* form = new QFormLayout;
  const QMetaObject& meta = ScrivletWidget::staticMetaObject;
  for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
    const QMetaProperty property = meta.property(i);
    // The document is edited in the window itself.
    if (!property.isDesignable() || property.isUser()) {
      continue;
    }
    const QString name = QString::fromLatin1(property.name());
    const QVariant value = property.read(&editor_);
    QWidget* field = nullptr;
    switch (property.metaType().id()) {
      case QMetaType::Bool: {
        auto* box = new QCheckBox(this);
        box->setChecked(value.toBool());
        // A button group once removed does not come back.
        if (name.startsWith(QLatin1String("Buttons")) && !value.toBool()) {
          box->setEnabled(false);
        }
        field = box;
        break;
      }
      case QMetaType::Int: {
        auto* spin = new QSpinBox(this);
        spin->setRange(std::numeric_limits<std::int16_t>::min(),
                       std::numeric_limits<std::int16_t>::max());
        spin->setValue(value.toInt());
        field = spin;
        break;
      }
      case QMetaType::QString: {
        auto* line = new QLineEdit(value.toString(), this);
        line->setMinimumWidth(320);
        field = line;
        break;
      }
      case QMetaType::QColor: {
        auto* button = new QPushButton(this);
        ShowColor(*button, value.value<QColor>());
        connect(button, &QPushButton::clicked, this, [this, button] {
          const QColor chosen =
              QColorDialog::getColor(button->property("color").value<QColor>(), this, tr("Colour"));
          if (chosen.isValid()) {
            ShowColor(*button, chosen);
          }
        });
        field = button;
        break;
      }
      default:
        break;
    }
    if (field != nullptr) {
      field->setObjectName(name);
      form->addRow(name, field);
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
  resize(520, 560);
}

QWidget* PropertiesDialog::Field(const char* property) const {
  return findChild<QWidget*>(QString::fromLatin1(property));
}

void PropertiesDialog::Apply() {
  const QMetaObject& meta = ScrivletWidget::staticMetaObject;
  for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
    const QMetaProperty property = meta.property(i);
    QWidget* field = Field(property.name());
    if (field == nullptr) {
      continue;
    }
    QVariant value;
    if (auto* box = qobject_cast<QCheckBox*>(field)) {
      value = box->isChecked();
    } else if (auto* spin = qobject_cast<QSpinBox*>(field)) {
      value = spin->value();
    } else if (auto* line = qobject_cast<QLineEdit*>(field)) {
      value = line->text();
    } else if (auto* button = qobject_cast<QPushButton*>(field)) {
      value = button->property("color");
    }
    if (value.isValid() && value != property.read(&editor_)) {
      property.write(&editor_, value);
    }
  }
}

}  // namespace scrivlet
