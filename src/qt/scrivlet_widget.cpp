#include "qt/scrivlet_widget.h"

#include <QKeySequence>
#include <QMetaProperty>
#include <QResizeEvent>
#include <QShortcut>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>

#include "control/scrivlet.h"
#include "platform/property_bag.h"
#include "qt/qt_password_keyring.h"
#include "qt/qt_platform.h"
#include "qt/qt_property_bag.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_text.h"

namespace scrivlet {
namespace {

// The saved names the keyring works with.
std::string_view SavedName(Property property) {
  return PropertyOf(property).persisted;
}

// The toolbar command an editing key runs: the one whose shortcut (as its tooltip shows it) is
// that key; empty for none.
std::string_view CommandKeyFor(SurfaceShortcut shortcut) {
  QList<QKeySequence> keys;
  switch (shortcut) {
    case SurfaceShortcut::kBold:
      keys = QKeySequence::keyBindings(QKeySequence::Bold);
      break;
    case SurfaceShortcut::kItalic:
      keys = QKeySequence::keyBindings(QKeySequence::Italic);
      break;
    case SurfaceShortcut::kUnderline:
      keys = QKeySequence::keyBindings(QKeySequence::Underline);
      break;
    case SurfaceShortcut::kCut:
      keys = QKeySequence::keyBindings(QKeySequence::Cut);
      break;
    case SurfaceShortcut::kCopy:
      keys = QKeySequence::keyBindings(QKeySequence::Copy);
      break;
    case SurfaceShortcut::kPaste:
      keys = QKeySequence::keyBindings(QKeySequence::Paste);
      break;
    case SurfaceShortcut::kHyperlink:
      keys = {QKeySequence(Qt::CTRL | Qt::Key_K)};
      break;
  }
  for (const CommandDefinition& command : ToolbarCommands()) {
    if (!command.shortcut.empty() &&
        keys.contains(QKeySequence(ToQString(command.shortcut), QKeySequence::PortableText))) {
      return command.key;
    }
  }
  return {};
}

// The keyring entry of the FTP password: one per user and server, so that editors publishing to
// different servers keep their own.
QString KeyringKeyFor(std::string_view server, std::string_view user) {
  return QStringLiteral("ftp://") + ToQString(user) + QLatin1Char('@') + ToQString(server);
}

// Passes reads through; writes too, except the FTP password, which the keyring keeps when it
// takes it (the set then holds none). Without a keyring the set keeps the scrambled form.
class KeyringSavingBag final : public PropertyBag {
 public:
  KeyringSavingBag(PropertyBag& inner, QtPasswordKeyring& keyring, const Scrivlet& control)
      : inner_(inner), keyring_(keyring), control_(control) {}

  std::string ReadString(std::string_view name, std::string_view default_value) const override {
    return inner_.ReadString(name, default_value);
  }
  std::int16_t ReadInt16(std::string_view name, std::int16_t default_value) const override {
    return inner_.ReadInt16(name, default_value);
  }
  std::int32_t ReadInt32(std::string_view name, std::int32_t default_value) const override {
    return inner_.ReadInt32(name, default_value);
  }
  bool ReadBoolean(std::string_view name, bool default_value) const override {
    return inner_.ReadBoolean(name, default_value);
  }
  void WriteString(std::string_view name, std::string_view value,
                   std::string_view default_value) override {
    if (name == SavedName(Property::kFTPPassword) && !value.empty() &&
        keyring_.Write(KeyringKeyFor(control_.FTPServer(), control_.FTPUsername()),
                       ToQString(value))) {
      inner_.WriteString(name, default_value, default_value);
      return;
    }
    inner_.WriteString(name, value, default_value);
  }
  void WriteInt16(std::string_view name, std::int16_t value, std::int16_t default_value) override {
    inner_.WriteInt16(name, value, default_value);
  }
  void WriteInt32(std::string_view name, std::int32_t value, std::int32_t default_value) override {
    inner_.WriteInt32(name, value, default_value);
  }
  void WriteBoolean(std::string_view name, bool value, bool default_value) override {
    inner_.WriteBoolean(name, value, default_value);
  }

 private:
  PropertyBag& inner_;
  QtPasswordKeyring& keyring_;
  const Scrivlet& control_;
};

// Reads the set as stored; a set without a password takes the keyring's for its user and server.
// A set that holds one (saved before the keyring, or where none was) keeps it.
class KeyringRestoringBag final : public PropertyBag {
 public:
  KeyringRestoringBag(const PropertyBag& inner, QtPasswordKeyring& keyring)
      : inner_(inner), keyring_(keyring) {}

  std::string ReadString(std::string_view name, std::string_view default_value) const override {
    std::string value = inner_.ReadString(name, default_value);
    if (name != SavedName(Property::kFTPPassword) || value != default_value) {
      return value;
    }
    const std::optional<QString> stored =
        keyring_.Read(KeyringKeyFor(inner_.ReadString(SavedName(Property::kFTPServer), ""),
                                    inner_.ReadString(SavedName(Property::kFTPUsername), "")));
    return stored ? ToStdString(*stored) : value;
  }
  std::int16_t ReadInt16(std::string_view name, std::int16_t default_value) const override {
    return inner_.ReadInt16(name, default_value);
  }
  std::int32_t ReadInt32(std::string_view name, std::int32_t default_value) const override {
    return inner_.ReadInt32(name, default_value);
  }
  bool ReadBoolean(std::string_view name, bool default_value) const override {
    return inner_.ReadBoolean(name, default_value);
  }
  void WriteString(std::string_view, std::string_view, std::string_view) override {
    throw std::logic_error("a property set being restored is not written");
  }
  void WriteInt16(std::string_view, std::int16_t, std::int16_t) override {
    throw std::logic_error("a property set being restored is not written");
  }
  void WriteInt32(std::string_view, std::int32_t, std::int32_t) override {
    throw std::logic_error("a property set being restored is not written");
  }
  void WriteBoolean(std::string_view, bool, bool) override {
    throw std::logic_error("a property set being restored is not written");
  }

 private:
  const PropertyBag& inner_;
  QtPasswordKeyring& keyring_;
};

}  // namespace

ScrivletWidget::ScrivletWidget(QWidget* parent)
    : QWidget(parent),
      keyring_(std::make_unique<QtPasswordKeyring>(
          QString::fromLatin1(QtSettingsStore::kDefaultApplication))) {
  Start(nullptr);
}

ScrivletWidget::ScrivletWidget(const PropertyBag& properties, QWidget* parent)
    : QWidget(parent),
      keyring_(std::make_unique<QtPasswordKeyring>(
          QString::fromLatin1(QtSettingsStore::kDefaultApplication))) {
  Start(&properties);
}

// The control goes first: it unhooks itself from the parts the platform owns.
ScrivletWidget::~ScrivletWidget() {
  control_.reset();
  platform_.reset();
}

void ScrivletWidget::Start(const PropertyBag* properties) {
  platform_ = std::make_unique<QtPlatform>(*this);
  control_ = std::make_unique<Scrivlet>(platform_->Services());
  control_->SetPropertyChangedHandler([this](std::string_view name) { OnPropertyChanged(name); });
  control_->UserControl_Initialize();
  if (properties != nullptr) {
    control_->UserControl_ReadProperties(KeyringRestoringBag(*properties, *keyring_));
  } else {
    control_->UserControl_InitProperties();
  }

  platform_->Surface.SetShortcutHandler(
      [this](SurfaceShortcut shortcut) { return RunShortcut(shortcut); });
  // The toolbar from the keyboard, as in word processors: Alt+F10 there, Escape back.
  auto* toToolbar = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F10), this);
  toToolbar->setContext(Qt::WidgetWithChildrenShortcut);
  connect(toToolbar, &QShortcut::activated, this, [this] { platform_->Bar.FocusFirstButton(); });
  platform_->Bar.SetLeaveHandler([this] { Editor()->setFocus(Qt::ShortcutFocusReason); });
  connect(Editor()->document(), &QTextDocument::contentsChanged, this,
          &ScrivletWidget::OnDocumentChanged);

  setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(Editor());
  LayOut();
}

// ----- Properties -----

QString ScrivletWidget::TextHTML() const {
  return ToQString(control_->TextHTML());
}

void ScrivletWidget::setTextHTML(const QString& html) {
  QString error;
  if (!TrySetTextHTML(html, &error)) {
    emit conversionFailed(error);
  }
}

bool ScrivletWidget::TrySetTextHTML(const QString& html, QString* error) {
  const std::string text = ToStdString(html);
  ++loading_;
  try {
    control_->SetTextHTML(text);
  } catch (const std::exception& failure) {
    --loading_;
    if (error != nullptr) {
      *error = QString::fromUtf8(failure.what());
    }
    return false;
  }
  --loading_;
  emit contentsChanged();
  return true;
}

QString ScrivletWidget::TextRTF() const {
  return ToQString(control_->TextRTF());
}

void ScrivletWidget::setTextRTF(const QString& rtf) {
  const std::string text = ToStdString(rtf);
  ++loading_;
  control_->SetTextRTF(text);
  --loading_;
  emit contentsChanged();
}

bool ScrivletWidget::AllowCustomize() const {
  return control_->AllowCustomize();
}
void ScrivletWidget::setAllowCustomize(bool allow) {
  control_->SetAllowCustomize(allow);
}

bool ScrivletWidget::AllowRawHtml() const {
  return control_->AllowRawHtml();
}
void ScrivletWidget::setAllowRawHtml(bool allow) {
  control_->SetAllowRawHtml(allow);
}

int ScrivletWidget::FontSize() const {
  return control_->FontSize();
}
void ScrivletWidget::setFontSize(int size) {
  control_->SetFontSize(static_cast<std::int16_t>(std::clamp<int>(
      size, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max())));
}

QString ScrivletWidget::FontName() const {
  return ToQString(control_->FontName());
}
void ScrivletWidget::setFontName(const QString& face) {
  control_->SetFontName(ToStdString(face));
}

bool ScrivletWidget::ButtonsEdit() const {
  return control_->ButtonsEdit();
}
void ScrivletWidget::setButtonsEdit(bool offered) {
  control_->SetButtonsEdit(offered);
}
bool ScrivletWidget::ButtonsFontSize() const {
  return control_->ButtonsFontSize();
}
void ScrivletWidget::setButtonsFontSize(bool offered) {
  control_->SetButtonsFontSize(offered);
}
bool ScrivletWidget::ButtonsFontStyle() const {
  return control_->ButtonsFontStyle();
}
void ScrivletWidget::setButtonsFontStyle(bool offered) {
  control_->SetButtonsFontStyle(offered);
}
bool ScrivletWidget::ButtonsFontColor() const {
  return control_->ButtonsFontColor();
}
void ScrivletWidget::setButtonsFontColor(bool offered) {
  control_->SetButtonsFontColor(offered);
}
bool ScrivletWidget::ButtonsIndent() const {
  return control_->ButtonsIndent();
}
void ScrivletWidget::setButtonsIndent(bool offered) {
  control_->SetButtonsIndent(offered);
}
bool ScrivletWidget::ButtonsAlign() const {
  return control_->ButtonsAlign();
}
void ScrivletWidget::setButtonsAlign(bool offered) {
  control_->SetButtonsAlign(offered);
}
bool ScrivletWidget::ButtonsBullets() const {
  return control_->ButtonsBullets();
}
void ScrivletWidget::setButtonsBullets(bool offered) {
  control_->SetButtonsBullets(offered);
}
bool ScrivletWidget::ButtonsHyperlink() const {
  return control_->ButtonsHyperlink();
}
void ScrivletWidget::setButtonsHyperlink(bool offered) {
  control_->SetButtonsHyperlink(offered);
}
bool ScrivletWidget::ButtonsPicture() const {
  return control_->ButtonsPicture();
}
void ScrivletWidget::setButtonsPicture(bool offered) {
  control_->SetButtonsPicture(offered);
}
bool ScrivletWidget::ButtonsAbout() const {
  return control_->ButtonsAbout();
}
void ScrivletWidget::setButtonsAbout(bool offered) {
  control_->SetButtonsAbout(offered);
}

QString ScrivletWidget::FTPServer() const {
  return ToQString(control_->FTPServer());
}
void ScrivletWidget::setFTPServer(const QString& server) {
  control_->SetFTPServer(ToStdString(server));
}
QString ScrivletWidget::FTPUsername() const {
  return ToQString(control_->FTPUsername());
}
void ScrivletWidget::setFTPUsername(const QString& user) {
  control_->SetFTPUsername(ToStdString(user));
}
QString ScrivletWidget::FTPPassword() const {
  return ToQString(control_->FTPPassword());
}
void ScrivletWidget::setFTPPassword(const QString& password) {
  control_->SetFTPPassword(ToStdString(password));
}
bool ScrivletWidget::FTPSecure() const {
  return control_->FTPSecure();
}
void ScrivletWidget::setFTPSecure(bool secure) {
  control_->SetFTPSecure(secure);
}
QString ScrivletWidget::HtmlImport() const {
  return ToQString(control_->HtmlImport());
}
void ScrivletWidget::setHtmlImport(const QString& mode) {
  try {
    control_->SetHtmlImport(ToStdString(mode));
  } catch (const PropertyValueError& error) {
    qWarning("%s", error.what());
  }
}

QString ScrivletWidget::HtmlOutput() const {
  return ToQString(control_->HtmlOutput());
}
void ScrivletWidget::setHtmlOutput(const QString& mode) {
  try {
    control_->SetHtmlOutput(ToStdString(mode));
  } catch (const PropertyValueError& error) {
    qWarning("%s", error.what());
  }
}

QString ScrivletWidget::ImagesPath() const {
  return ToQString(control_->ImagesPath());
}
void ScrivletWidget::setImagesPath(const QString& path) {
  control_->SetImagesPath(ToStdString(path));
}
QString ScrivletWidget::WDDX() const {
  return ToQString(control_->WDDX());
}
void ScrivletWidget::setWDDX(const QString& packet) {
  control_->SetWDDX(ToStdString(packet));
}

QColor ScrivletWidget::BackColor() const {
  return ColorFromPlatform(control_->BackColor());
}
void ScrivletWidget::setBackColor(const QColor& color) {
  control_->SetBackColor(ColorToPlatform(color));
}
void ScrivletWidget::resetBackColor() {
  control_->SetBackColor(Scrivlet::kSystemWindowColor);
}

QColor ScrivletWidget::ForeColor() const {
  return ColorFromPlatform(control_->ForeColor());
}
void ScrivletWidget::setForeColor(const QColor& color) {
  control_->SetForeColor(ColorToPlatform(color));
}

// ----- Saving and restoring -----

void ScrivletWidget::SaveProperties(PropertyBag& bag) const {
  KeyringSavingBag saving(bag, *keyring_, *control_);
  control_->UserControl_WriteProperties(saving);
}

QVariantMap ScrivletWidget::SaveProperties() const {
  QVariantMap properties;
  QVariantMapPropertyBag bag(properties);
  SaveProperties(bag);
  return properties;
}

void ScrivletWidget::SaveProperties(QSettings& settings, const QString& group) const {
  QtSettingsStore::KeepPrivate(settings);
  settings.remove(group);
  QSettingsPropertyBag bag(settings, group);
  SaveProperties(bag);
  settings.sync();
  QtSettingsStore::KeepPrivate(settings);
}

void ScrivletWidget::RestoreProperties(const PropertyBag& bag) {
  control_->UserControl_ReadProperties(KeyringRestoringBag(bag, *keyring_));
  emit backColorChanged();
}

bool ScrivletWidget::RestoreProperties(const QVariantMap& properties, QString* error) {
  QVariantMap values = properties;
  return TryRestoreProperties(QVariantMapPropertyBag(values), error);
}

bool ScrivletWidget::RestoreProperties(QSettings& settings, const QString& group, QString* error) {
  return TryRestoreProperties(QSettingsPropertyBag(settings, group), error);
}

bool ScrivletWidget::TryRestoreProperties(const PropertyBag& bag, QString* error) {
  try {
    RestoreProperties(bag);
  } catch (const PropertyBagError& failure) {
    if (error != nullptr) {
      *error = QString::fromUtf8(failure.what());
    }
    return false;
  }
  return true;
}

bool ScrivletWidget::StartPending() const {
  return control_->Timer1Enabled();
}

// ----- Parts -----

Scrivlet& ScrivletWidget::Control() {
  return *control_;
}
const Scrivlet& ScrivletWidget::Control() const {
  return *control_;
}
QtPlatform& ScrivletWidget::Platform() {
  return *platform_;
}
QtRichTextBox& ScrivletWidget::Surface() {
  return platform_->Surface;
}
QTextEdit* ScrivletWidget::Editor() const {
  return platform_->Surface.Editor();
}
QToolBar* ScrivletWidget::ToolBar() const {
  return &platform_->Bar.Widget();
}

// ----- Events -----

void ScrivletWidget::OnPropertyChanged(std::string_view name) {
  // The document reports through contentsChanged.
  const PropertyDefinition* property = FindProperty(name);
  if (property == nullptr || property->type == PropertyType::kDocument) {
    return;
  }
  emit propertyChanged(ToQString(name));
  // The property's own NOTIFY signal, as its Q_PROPERTY line names it.
  const QByteArray qtName(name.data(), static_cast<qsizetype>(name.size()));
  const int index = metaObject()->indexOfProperty(qtName.constData());
  if (index >= 0 && metaObject()->property(index).hasNotifySignal()) {
    metaObject()->property(index).notifySignal().invoke(this);
  }
}

void ScrivletWidget::OnDocumentChanged() {
  if (loading_ == 0) {
    emit contentsChanged();
  }
}

bool ScrivletWidget::ClickEntry(std::string_view key) {
  if (!CommandEnabled(key)) {
    return false;
  }
  platform_->Bar.Action(key).trigger();
  return true;
}

bool ScrivletWidget::RunCommand(std::string_view key) {
  return ClickEntry(key);
}

bool ScrivletWidget::CommandEnabled(std::string_view key) const {
  Toolbar& bar = control_->Toolbar1();
  if (!bar.Contains(key)) {
    return false;
  }
  const ToolbarButton& button = bar.Button(key);
  return button.Enabled() && button.Visible();
}

void ScrivletWidget::Cut() {
  if (!RunShortcut(SurfaceShortcut::kCut)) {
    platform_->Surface.Cut();
  }
}

void ScrivletWidget::Copy() {
  if (!RunShortcut(SurfaceShortcut::kCopy)) {
    platform_->Surface.Copy();
  }
}

void ScrivletWidget::Paste() {
  if (!RunShortcut(SurfaceShortcut::kPaste)) {
    platform_->Surface.Paste();
  }
}

void ScrivletWidget::Undo() {
  if (platform_->Surface.CanUndo()) {
    platform_->Surface.Undo();
  }
}

void ScrivletWidget::Redo() {
  if (platform_->Surface.CanRedo()) {
    platform_->Surface.Redo();
  }
}

void ScrivletWidget::SelectAll() {
  Editor()->setFocus(Qt::OtherFocusReason);
  Editor()->selectAll();
}

bool ScrivletWidget::RunShortcut(SurfaceShortcut shortcut) {
  const std::string_view key = CommandKeyFor(shortcut);
  switch (shortcut) {
    case SurfaceShortcut::kBold:
    case SurfaceShortcut::kItalic:
    case SurfaceShortcut::kUnderline:
    case SurfaceShortcut::kHyperlink:
      return ClickEntry(key);
    case SurfaceShortcut::kCut:
    case SurfaceShortcut::kCopy: {
      QtRichTextBox& surface = platform_->Surface;
      if (surface.SelLength() == 0) {
        return false;
      }
      // Taken first: Cut deletes the selection.
      const QString plain = QString::fromStdU16String(surface.SelText());
      if (!ClickEntry(key)) {
        return false;
      }
      // Other programs read plain text.
      platform_->Clip.SetText(ToStdString(plain), ClipboardFormat::kText);
      return true;
    }
    case SurfaceShortcut::kPaste:
      // Plain text is pasted by the surface itself, in the typing style.
      if (!platform_->Clip.HasFormat(ClipboardFormat::kRichText)) {
        return false;
      }
      return ClickEntry(key);
  }
  return false;
}

void ScrivletWidget::LayOut() {
  QToolBar& bar = platform_->Bar.Widget();
  bar.setGeometry(0, 0, width(), bar.sizeHint().height());
  const Screen& screen = platform_->Display;
  control_->UserControl_Resize(PixelsToTwips(width(), screen.TwipsPerPixelX()),
                               PixelsToTwips(height(), screen.TwipsPerPixelY()));
}

void ScrivletWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void ScrivletWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The toolbar knows its height once it is polished.
  LayOut();
}

QSize ScrivletWidget::sizeHint() const {
  const QSize bar = platform_->Bar.Widget().sizeHint();
  return {std::max(480, bar.width()), bar.height() + 280};
}

QSize ScrivletWidget::minimumSizeHint() const {
  return {160, platform_->Bar.Widget().sizeHint().height() + 60};
}

}  // namespace scrivlet
