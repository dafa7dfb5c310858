#include "qt/qt_toolbar.h"

#include <QKeyEvent>
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

class QtToolbar::Entry final : public ToolbarModel::Entry {
 public:
  Entry(QtToolbar& owner, const ButtonDefinition& definition, std::int32_t serial)
      : ToolbarModel::Entry(owner, definition, serial), toolbar_(owner) {
    action_ = new QAction(owner.bar_.data());
    action_->setObjectName(ToQString(definition.Key));
    if (definition.Style == ButtonStyle::kSeparator) {
      action_->setSeparator(true);
    } else {
      action_->setText(
          PlainMenuText(definition.Description.empty() ? definition.Key : definition.Description));
      action_->setToolTip(ToQString(definition.ToolTipText));
      action_->setCheckable(definition.Style != ButtonStyle::kDefault);
    }
    UpdateIcon();
  }
  // The action may be the one whose click is being handled: it goes once that is over.
  ~Entry() override {
    QObject::disconnect(triggered_);
    if (action_) {
      if (QToolBar* bar = toolbar_.bar_.data()) {
        bar->removeAction(action_.data());
      }
      action_->deleteLater();
    }
  }
  Entry(const Entry&) = delete;
  Entry& operator=(const Entry&) = delete;

  std::int32_t Left() const override {
    return PixelsToTwips(toolbar_.EntryRect(*this).left(), toolbar_.screen_.TwipsPerPixelX());
  }
  std::int32_t Top() const override {
    return PixelsToTwips(toolbar_.EntryRect(*this).top(), toolbar_.screen_.TwipsPerPixelY());
  }
  std::int32_t Height() const override {
    return PixelsToTwips(toolbar_.EntryRect(*this).height(), toolbar_.screen_.TwipsPerPixelY());
  }

  QAction* Action() const { return action_.data(); }
  void SetTriggeredConnection(QMetaObject::Connection connection) { triggered_ = connection; }

  void UpdateIcon() {
    const ImageList* images = toolbar_.GetImageList();
    const std::string& image = Image();
    icon_ = images != nullptr && !image.empty() && images->Has(image)
                ? ToolbarIcon(image, images->Picture(image))
                : QIcon();
    if (const auto color = toolbar_.colors_.find(Key());
        color != toolbar_.colors_.end() && !icon_.isNull()) {
      icon_ = ColorBarIcon(icon_, color->second);
    }
    Show();
  }

  // Brings the action and its button in line with the entry's state.
  void Show() {
    if (!action_) {
      return;
    }
    const QSignalBlocker blocker(action_.data());
    action_->setEnabled(Enabled());
    action_->setVisible(Visible());
    if (action_->isCheckable()) {
      action_->setChecked(Value() == ButtonValue::kPressed && !MixedState());
    }
    action_->setIcon(MixedState() && !icon_.isNull() ? MixedStateIcon(icon_) : icon_);
    ShowOnButton();
  }

  // The button is made by the toolbar, and made again whenever the entry moves.
  void ShowOnButton() {
    QToolBar* bar = toolbar_.bar_.data();
    if (bar == nullptr || !action_ || action_->isSeparator()) {
      return;
    }
    QWidget* button = bar->widgetForAction(action_.data());
    if (button == nullptr) {
      return;
    }
    button->setObjectName(ToQString(Key()));
    const std::string& name = !ToolTipText().empty()   ? ToolTipText()
                              : !Description().empty() ? Description()
                                                       : Key();
    button->setAccessibleName(ToQString(name));
    button->setAccessibleDescription(MixedState() ? QStringLiteral("mixed") : QString());
    button->setProperty("mixedState", MixedState());
  }

 private:
  void StateChanged() override { Show(); }
  void ImageChanged() override { UpdateIcon(); }

  QtToolbar& toolbar_;
  QPointer<QAction> action_;
  QMetaObject::Connection triggered_;
  QIcon icon_;
};

// Arrow keys, Enter, Space and Escape on a toolbar button the keyboard reached.
class QtToolbar::KeyboardFilter final : public QObject {
 public:
  explicit KeyboardFilter(QtToolbar& toolbar) : toolbar_(toolbar) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) {
      return false;
    }
    auto* button = qobject_cast<QToolButton*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    return button != nullptr && key->modifiers() == Qt::NoModifier &&
           toolbar_.HandleButtonKey(*button, key->key());
  }

 private:
  QtToolbar& toolbar_;
};

QtToolbar::QtToolbar(SettingsStore& settings, const Screen& screen, QWidget* owner)
    : ToolbarModel(settings),
      screen_(screen),
      owner_(owner),
      bar_(new QToolBar(owner)),
      keyboard_(std::make_unique<KeyboardFilter>(*this)) {
  // The button the keyboard is on must show it: the style draws no focus on tool buttons.
  bar_->setStyleSheet(QStringLiteral(
      "QToolButton:focus { border: 1px solid palette(highlight); border-radius: 2px; }"));
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
  // Entries take their actions off the toolbar as they go.
  RemoveAll();
  delete bar_.data();
}

QtToolbar::Entry& QtToolbar::At(std::size_t position) const {
  return static_cast<Entry&>(*Entries()[position]);
}

QAction& QtToolbar::Action(std::int32_t index) {
  return *At(Position(index)).Action();
}

QAction& QtToolbar::Action(std::string_view key) {
  return *At(Position(key)).Action();
}

void QtToolbar::ShowColor(std::string_view key, const QColor& color) {
  colors_.insert_or_assign(std::string(key), color);
  if (Contains(key)) {
    At(Position(key)).UpdateIcon();
  }
}

QToolButton* QtToolbar::ButtonWidget(std::string_view key) {
  const Entry& entry = At(Position(key));
  return bar_ ? qobject_cast<QToolButton*>(bar_->widgetForAction(entry.Action())) : nullptr;
}

std::unique_ptr<ToolbarModel::Entry> QtToolbar::MakeEntry(const ButtonDefinition& definition,
                                                          std::int32_t serial) {
  auto entry = std::make_unique<Entry>(*this, definition, serial);
  if (bar_) {
    bar_->addAction(entry->Action());
    entry->SetTriggeredConnection(QObject::connect(entry->Action(), &QAction::triggered,
                                                   bar_.data(),
                                                   [this, e = entry.get()] { OnTriggered(*e); }));
  }
  entry->Show();
  return entry;
}

std::int32_t QtToolbar::Height() const {
  if (!bar_) {
    return 0;
  }
  const int pixels = bar_->isVisible() ? bar_->height() : bar_->sizeHint().height();
  return PixelsToTwips(pixels, screen_.TwipsPerPixelY());
}

void QtToolbar::OnTriggered(Entry& entry) {
  // Qt has toggled a checkable action already: an entry that takes no click shows its state
  // again.
  if (!Click(static_cast<std::size_t>(IndexOf(entry) - 1))) {
    entry.Show();
  }
}

void QtToolbar::OrderChanged() {
  if (!bar_) {
    return;
  }
  for (std::size_t i = 0; i < Entries().size(); ++i) {
    bar_->removeAction(At(i).Action());
  }
  for (std::size_t i = 0; i < Entries().size(); ++i) {
    bar_->addAction(At(i).Action());
    At(i).Show();
  }
}

std::vector<QToolButton*> QtToolbar::ReachableButtons() const {
  std::vector<QToolButton*> buttons;
  for (std::size_t i = 0; i < Entries().size(); ++i) {
    const Entry& entry = At(i);
    if (QWidget* widget = LaidOutButton(entry); widget != nullptr && entry.Enabled()) {
      if (auto* button = qobject_cast<QToolButton*>(widget)) {
        buttons.push_back(button);
      }
    }
  }
  return buttons;
}

void QtToolbar::FocusFirstButton() {
  if (!bar_) {
    return;
  }
  if (QLayout* layout = bar_->layout(); layout != nullptr) {
    layout->activate();
  }
  const std::vector<QToolButton*> buttons = ReachableButtons();
  for (QToolButton* button : buttons) {
    button->installEventFilter(keyboard_.get());  // buttons are made again when entries move
  }
  if (!buttons.empty()) {
    buttons.front()->setFocus(Qt::ShortcutFocusReason);
  }
}

bool QtToolbar::HandleButtonKey(QToolButton& button, int key) {
  const std::vector<QToolButton*> buttons = ReachableButtons();
  const auto at = std::find(buttons.begin(), buttons.end(), &button);
  if (at == buttons.end()) {
    return false;
  }
  const auto position = static_cast<std::size_t>(at - buttons.begin());
  QToolButton* target = nullptr;
  switch (key) {
    case Qt::Key_Left:
      target = buttons[position == 0 ? buttons.size() - 1 : position - 1];
      break;
    case Qt::Key_Right:
      target = buttons[(position + 1) % buttons.size()];
      break;
    case Qt::Key_Home:
      target = buttons.front();
      break;
    case Qt::Key_End:
      target = buttons.back();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      button.defaultAction()->trigger();
      return true;
    case Qt::Key_Escape:
      if (leave_) {
        leave_();
      }
      return true;
    default:
      return false;
  }
  target->installEventFilter(keyboard_.get());
  target->setFocus(Qt::TabFocusReason);
  return true;
}

void QtToolbar::ShowContextMenu(const QPoint& position) {
  if (!AllowCustomize() || !bar_) {
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
  if (!AllowCustomize() || !bar_) {
    return false;
  }
  std::vector<ToolbarCustomization::Entry> entries;
  std::vector<std::int32_t> defaultOrder;
  for (const auto& entry : Entries()) {
    entries.push_back({entry->Serial(), entry->Label(), !entry->Visible()});
    defaultOrder.push_back(entry->Serial());
  }
  std::sort(defaultOrder.begin(), defaultOrder.end());
  QtToolbarCustomizeDialog dialog(ToolbarCustomization(std::move(entries), defaultOrder),
                                  ModalParent(bar_->window()));
  if (dialog.exec() != QDialog::Accepted) {
    return false;
  }
  // The dialog may have outlived entries the control removed meanwhile: Reorder skips those.
  std::vector<Placement> placements;
  for (const ToolbarCustomization::Entry& chosen : dialog.Customization().Entries()) {
    placements.push_back({chosen.Id, chosen.Hidden});
  }
  Reorder(placements);
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
  for (std::size_t i = position + 1; i < Entries().size(); ++i) {
    if (const QWidget* next = LaidOutButton(At(i))) {
      const QRect rect = ButtonRect(next);
      return QRect(rect.left(), rect.top(), 0, rect.height());
    }
  }
  for (std::size_t i = position; i-- > 0;) {
    if (const QWidget* previous = LaidOutButton(At(i))) {
      const QRect rect = ButtonRect(previous);
      return QRect(rect.right() + 1, rect.top(), 0, rect.height());
    }
  }
  const QRect bar = ButtonRect(bar_.data());
  return QRect(bar.left(), bar.top(), 0, bar.height());
}

}  // namespace scrivlet
