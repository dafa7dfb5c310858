#include "qt/qt_toolbar.h"

#include <QLayout>
#include <QMenu>
#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/toolbar_layout.h"
#include "qt/qt_icons.h"
#include "qt/qt_message_box.h"
#include "qt/qt_text.h"
#include "qt/qt_toolbar_customize_dialog.h"

namespace scrivlet {
namespace {

// A description is shown as a button text when there is no picture: "&" is not an access key.
QString PlainMenuText(const std::string& text) {
  QString out = ToQString(text);
  out.replace(QLatin1Char('&'), QLatin1String("&&"));
  return out;
}

}  // namespace

class QtToolbar::Entry final : public ToolbarButton {
 public:
  Entry(QtToolbar& owner, const ButtonDefinition& definition, std::int32_t serial)
      : owner_(owner), definition_(definition), serial_(serial) {
    action_ = new QAction(owner.bar_.data());
    action_->setObjectName(ToQString(definition_.Key));
    if (definition_.Style == ButtonStyle::kSeparator) {
      action_->setSeparator(true);
    } else {
      action_->setText(PlainMenuText(definition_.Description.empty() ? definition_.Key
                                                                     : definition_.Description));
      action_->setToolTip(ToQString(definition_.ToolTipText));
      action_->setCheckable(definition_.Style != ButtonStyle::kDefault);
    }
    UpdateIcon();
  }
  // The action may be the one whose click is being handled: it goes once that is over.
  ~Entry() override {
    QObject::disconnect(triggered_);
    if (action_) {
      if (QToolBar* bar = owner_.bar_.data()) {
        bar->removeAction(action_.data());
      }
      action_->deleteLater();
    }
  }
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;

  std::int32_t Index() const override { return owner_.IndexOf(*this); }
  const std::string& Key() const override { return definition_.Key; }
  ButtonStyle Style() const override { return definition_.Style; }
  const std::string& Description() const override { return definition_.Description; }
  const std::string& ToolTipText() const override { return definition_.ToolTipText; }
  const std::string& Image() const override { return definition_.Image; }
  void SetImage(std::string_view image_key) override {
    definition_.Image = image_key;
    UpdateIcon();
  }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Show();
  }
  bool Visible() const override { return visible_; }
  void SetVisible(bool visible) override {
    visible_ = visible;
    Show();
  }
  ButtonValue Value() const override { return value_; }
  void SetValue(ButtonValue value) override {
    value_ = value;
    Show();
  }
  bool MixedState() const override { return mixed_; }
  void SetMixedState(bool mixed) override {
    if (mixed_ != mixed) {
      mixed_ = mixed;
      Show();
    }
  }
  std::int32_t Left() const override {
    return PixelsToTwips(owner_.EntryRect(*this).left(), owner_.screen_.TwipsPerPixelX());
  }
  std::int32_t Top() const override {
    return PixelsToTwips(owner_.EntryRect(*this).top(), owner_.screen_.TwipsPerPixelY());
  }
  std::int32_t Height() const override {
    return PixelsToTwips(owner_.EntryRect(*this).height(), owner_.screen_.TwipsPerPixelY());
  }

  QAction* Action() const { return action_.data(); }
  void SetTriggeredConnection(QMetaObject::Connection connection) { triggered_ = connection; }
  std::int32_t Serial() const { return serial_; }
  bool Clickable() const {
    return enabled_ && visible_ && definition_.Style != ButtonStyle::kSeparator;
  }
  bool Matches(const LayoutItem& item) const {
    return definition_.Key.empty() ? item.Key.empty() && item.Serial == serial_
                                   : item.Key == definition_.Key;
  }
  LayoutItem ToLayoutItem() const {
    return LayoutItem{definition_.Key, definition_.Key.empty() ? serial_ : 0, !visible_};
  }
  std::string Label() const {
    if (definition_.Style == ButtonStyle::kSeparator) {
      return "Separator";
    }
    return definition_.Description.empty() ? definition_.Key : definition_.Description;
  }

  void UpdateIcon() {
    const ImageList* images = owner_.images_;
    const std::string& image = definition_.Image;
    icon_ = images != nullptr && !image.empty() && images->Has(image)
                ? ToolbarIcon(image, images->Picture(image))
                : QIcon();
    Show();
  }

  // Brings the action and its button in line with the entry's state.
  void Show() {
    if (!action_) {
      return;
    }
    const QSignalBlocker blocker(action_.data());
    action_->setEnabled(enabled_);
    action_->setVisible(visible_);
    if (action_->isCheckable()) {
      action_->setChecked(value_ == ButtonValue::kPressed && !mixed_);
    }
    action_->setIcon(mixed_ && !icon_.isNull() ? MixedStateIcon(icon_) : icon_);
    ShowOnButton();
  }

  // The button is made by the toolbar, and made again whenever the entry moves.
  void ShowOnButton() {
    QToolBar* bar = owner_.bar_.data();
    if (bar == nullptr || !action_ || action_->isSeparator()) {
      return;
    }
    QWidget* button = bar->widgetForAction(action_.data());
    if (button == nullptr) {
      return;
    }
    button->setObjectName(ToQString(definition_.Key));
    const std::string& name = !definition_.ToolTipText.empty()   ? definition_.ToolTipText
                              : !definition_.Description.empty() ? definition_.Description
                                                                 : definition_.Key;
    button->setAccessibleName(ToQString(name));
    button->setAccessibleDescription(mixed_ ? QStringLiteral("mixed") : QString());
    button->setProperty("mixedState", mixed_);
  }

 private:
  QtToolbar& owner_;
  ButtonDefinition definition_;
  std::int32_t serial_;
  QPointer<QAction> action_;
  QMetaObject::Connection triggered_;
  QIcon icon_;
  bool enabled_ = true;
  bool visible_ = true;
  ButtonValue value_ = ButtonValue::kUnpressed;
  bool mixed_ = false;
};

QtToolbar::QtToolbar(SettingsStore& settings, const Screen& screen, QWidget* owner)
    : settings_(settings), screen_(screen), owner_(owner), bar_(new QToolBar(owner)) {
  bar_->setObjectName(QStringLiteral("Toolbar1"));
  bar_->setAccessibleName(QStringLiteral("Toolbar"));
  bar_->setMovable(false);
  bar_->setFloatable(false);
  bar_->setIconSize(QSize(kIconPixels, kIconPixels));
  bar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  bar_->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(bar_.data(), &QWidget::customContextMenuRequested, bar_.data(),
                   [this](const QPoint& position) { ShowContextMenu(position); });
}

QtToolbar::~QtToolbar() {
  entries_.clear();
  delete bar_.data();
}

std::int32_t QtToolbar::Count() const {
  return static_cast<std::int32_t>(entries_.size());
}

std::size_t QtToolbar::Position(std::int32_t index) const {
  if (index < 1 || index > Count()) {
    throw ToolbarError(index);
  }
  return static_cast<std::size_t>(index - 1);
}

std::size_t QtToolbar::Position(std::string_view key) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [key](const auto& entry) {
    return !key.empty() && entry->Key() == key;
  });
  if (it == entries_.end()) {
    throw ToolbarError(key);
  }
  return static_cast<std::size_t>(it - entries_.begin());
}

ToolbarButton& QtToolbar::Button(std::int32_t index) {
  return *entries_[Position(index)];
}

const ToolbarButton& QtToolbar::Button(std::int32_t index) const {
  return *entries_[Position(index)];
}

ToolbarButton& QtToolbar::Button(std::string_view key) {
  return *entries_[Position(key)];
}

const ToolbarButton& QtToolbar::Button(std::string_view key) const {
  return *entries_[Position(key)];
}

bool QtToolbar::Contains(std::string_view key) const {
  return !key.empty() && std::any_of(entries_.begin(), entries_.end(),
                                     [key](const auto& entry) { return entry->Key() == key; });
}

QAction& QtToolbar::Action(std::int32_t index) {
  return *entries_[Position(index)]->Action();
}

QAction& QtToolbar::Action(std::string_view key) {
  return *entries_[Position(key)]->Action();
}

QToolButton* QtToolbar::ButtonWidget(std::string_view key) {
  Entry& entry = *entries_[Position(key)];
  return bar_ ? qobject_cast<QToolButton*>(bar_->widgetForAction(entry.Action())) : nullptr;
}

ToolbarButton& QtToolbar::Add(const ButtonDefinition& definition) {
  if (Contains(definition.Key)) {
    throw std::invalid_argument("toolbar key \"" + definition.Key + "\" is already in use");
  }
  entries_.push_back(std::make_unique<Entry>(*this, definition, ++next_serial_));
  Entry& entry = *entries_.back();
  if (bar_) {
    bar_->addAction(entry.Action());
    entry.SetTriggeredConnection(QObject::connect(entry.Action(), &QAction::triggered, bar_.data(),
                                                  [this, &entry] { OnTriggered(entry); }));
  }
  entry.Show();
  return entry;
}

void QtToolbar::Remove(std::int32_t index) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Position(index)));
}

void QtToolbar::Remove(std::string_view key) {
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(Position(key)));
}

void QtToolbar::SetImageList(const ImageList* images) {
  images_ = images;
  for (const auto& entry : entries_) {
    entry->UpdateIcon();
  }
}

std::int32_t QtToolbar::Height() const {
  if (!bar_) {
    return 0;
  }
  const int pixels = bar_->isVisible() ? bar_->height() : bar_->sizeHint().height();
  return PixelsToTwips(pixels, screen_.TwipsPerPixelY());
}

std::int32_t QtToolbar::IndexOf(const Entry& entry) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].get() == &entry) {
      return static_cast<std::int32_t>(i + 1);
    }
  }
  return 0;  // not reachable: an entry lives only while it is on its toolbar
}

void QtToolbar::OnTriggered(Entry& entry) {
  const std::size_t position = static_cast<std::size_t>(IndexOf(entry) - 1);
  if (!entry.Clickable()) {
    entry.Show();
    return;
  }
  if (entry.Style() == ButtonStyle::kCheck) {
    const bool pressed = entry.Value() == ButtonValue::kPressed;
    entry.SetMixedState(false);
    entry.SetValue(pressed ? ButtonValue::kUnpressed : ButtonValue::kPressed);
  } else if (entry.Style() == ButtonStyle::kButtonGroup) {
    PressInGroup(position);
  }
  // A copy, so that a handler that replaces itself finishes running.
  const ButtonClickHandler handler = click_handler_;
  if (handler) {
    handler(entry);
  }
}

void QtToolbar::PressInGroup(std::size_t position) {
  const auto in_group = [this](std::size_t i) {
    return entries_[i]->Style() == ButtonStyle::kButtonGroup;
  };
  std::size_t first = position;
  while (first > 0 && in_group(first - 1)) {
    --first;
  }
  entries_[position]->SetMixedState(false);
  for (std::size_t i = first; i < entries_.size() && in_group(i); ++i) {
    entries_[i]->SetValue(i == position ? ButtonValue::kPressed : ButtonValue::kUnpressed);
  }
}

void QtToolbar::Relayout() {
  if (!bar_) {
    return;
  }
  for (const auto& entry : entries_) {
    bar_->removeAction(entry->Action());
  }
  for (const auto& entry : entries_) {
    bar_->addAction(entry->Action());
    entry->Show();
  }
}

void QtToolbar::SaveToolbar(std::string_view key, std::string_view subkey,
                            std::string_view value_name) {
  std::vector<LayoutItem> items;
  items.reserve(entries_.size());
  for (const auto& entry : entries_) {
    items.push_back(entry->ToLayoutItem());
  }
  const LayoutLocation where = ToolbarLayoutLocation(key, subkey, value_name);
  settings_.SaveSetting(where.Application, where.Section, where.Key, EncodeToolbarLayout(items));
}

void QtToolbar::RestoreToolbar(std::string_view key, std::string_view subkey,
                               std::string_view value_name) {
  const LayoutLocation where = ToolbarLayoutLocation(key, subkey, value_name);
  const std::vector<LayoutItem> items =
      DecodeToolbarLayout(settings_.GetSetting(where.Application, where.Section, where.Key, ""));
  if (items.empty()) {
    return;
  }
  std::vector<std::unique_ptr<Entry>> ordered;
  ordered.reserve(entries_.size());
  for (const LayoutItem& item : items) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&item](const auto& entry) {
      return entry != nullptr && entry->Matches(item);
    });
    if (it != entries_.end()) {
      (*it)->SetVisible(!item.Hidden);
      ordered.push_back(std::move(*it));
    }
  }
  for (auto& entry : entries_) {
    if (entry != nullptr) {
      ordered.push_back(std::move(entry));
    }
  }
  entries_ = std::move(ordered);
  Relayout();
}

void QtToolbar::SetButtonClickHandler(ButtonClickHandler handler) {
  click_handler_ = std::move(handler);
}

void QtToolbar::SetChangeHandler(ChangeHandler handler) {
  change_handler_ = std::move(handler);
}

void QtToolbar::RaiseChange() {
  const ChangeHandler handler = change_handler_;
  if (handler) {
    handler();
  }
}

void QtToolbar::ShowContextMenu(const QPoint& position) {
  if (!allow_customize_ || !bar_) {
    return;
  }
  QMenu menu(bar_.data());
  QAction* customize = menu.addAction(QObject::tr("Customize Toolbar..."));
  customize->setObjectName(QStringLiteral("customizeToolbarAction"));
  // Triggered by a click or by code alike; either way the menu closes first.
  bool chosen = false;
  QObject::connect(customize, &QAction::triggered, &menu, [&chosen, &menu] {
    chosen = true;
    menu.close();
  });
  menu.exec(bar_->mapToGlobal(position));
  if (chosen) {
    Customize();
  }
}

bool QtToolbar::Customize() {
  if (!allow_customize_ || !bar_) {
    return false;
  }
  std::vector<ToolbarCustomization::Entry> entries;
  std::vector<std::int32_t> default_order;
  for (const auto& entry : entries_) {
    entries.push_back({entry->Serial(), entry->Label(), !entry->Visible()});
    default_order.push_back(entry->Serial());
  }
  std::sort(default_order.begin(), default_order.end());
  QtToolbarCustomizeDialog dialog(ToolbarCustomization(std::move(entries), default_order),
                                  ModalParent(bar_->window()));
  if (dialog.exec() != QDialog::Accepted) {
    return false;
  }
  // The dialog may have outlived entries the control removed meanwhile: those are skipped.
  std::vector<std::unique_ptr<Entry>> ordered;
  for (const ToolbarCustomization::Entry& chosen : dialog.Customization().Entries()) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&chosen](const auto& entry) {
      return entry != nullptr && entry->Serial() == chosen.Id;
    });
    if (it != entries_.end()) {
      (*it)->SetVisible(!chosen.Hidden);
      ordered.push_back(std::move(*it));
    }
  }
  for (auto& entry : entries_) {
    if (entry != nullptr) {
      ordered.push_back(std::move(entry));
    }
  }
  entries_ = std::move(ordered);
  Relayout();
  RaiseChange();
  return true;
}

QWidget* QtToolbar::Origin() const {
  return owner_ ? owner_.data() : bar_.data();
}

QWidget* QtToolbar::LaidOutButton(const Entry& entry) const {
  if (!bar_ || !entry.Visible() || entry.Action() == nullptr) {
    return nullptr;
  }
  QWidget* button = bar_->widgetForAction(entry.Action());
  return button != nullptr && button->isVisibleTo(bar_.data()) ? button : nullptr;
}

QRect QtToolbar::ButtonRect(const QWidget* button) const {
  QWidget* origin = Origin();
  const QPoint top_left = origin->isAncestorOf(button)
                              ? button->mapTo(origin, QPoint(0, 0))
                              : origin->mapFromGlobal(button->mapToGlobal(QPoint(0, 0)));
  return QRect(top_left, button->size());
}

QRect QtToolbar::EntryRect(const Entry& entry) const {
  if (!bar_) {
    return {};
  }
  // Changes since the last turn of the event loop are laid out now, not when Qt gets to it.
  if (QLayout* layout = bar_->layout(); layout != nullptr) {
    layout->activate();
  }
  if (const QWidget* button = LaidOutButton(entry)) {
    return ButtonRect(button);
  }
  const std::size_t position = static_cast<std::size_t>(IndexOf(entry) - 1);
  for (std::size_t i = position + 1; i < entries_.size(); ++i) {
    if (const QWidget* next = LaidOutButton(*entries_[i])) {
      const QRect rect = ButtonRect(next);
      return QRect(rect.left(), rect.top(), 0, rect.height());
    }
  }
  for (std::size_t i = position; i-- > 0;) {
    if (const QWidget* previous = LaidOutButton(*entries_[i])) {
      const QRect rect = ButtonRect(previous);
      return QRect(rect.right() + 1, rect.top(), 0, rect.height());
    }
  }
  const QRect bar = ButtonRect(bar_.data());
  return QRect(bar.left(), bar.top(), 0, bar.height());
}

}  // namespace scrivlet
