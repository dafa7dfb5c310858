#include "qt/qt_toolbar_customize_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "qt/qt_text.h"

namespace scrivlet {
namespace {

constexpr int kIdRole = Qt::UserRole;

QPushButton* MakeButton(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QListWidget* MakeList(const char* name, const QString& accessible_name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(name));
  list->setAccessibleName(accessible_name);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setMinimumSize(180, 220);
  return list;
}

}  // namespace

QtToolbarCustomizeDialog::QtToolbarCustomizeDialog(ToolbarCustomization customization,
                                                   QWidget* parent)
    : QDialog(parent), customization_(std::move(customization)) {
  setWindowTitle(tr("Customize Toolbar"));
  setObjectName(QStringLiteral("customizeToolbarDialog"));

  available_ = MakeList("availableList", tr("Available buttons"), this);
  toolbar_ = MakeList("toolbarList", tr("Toolbar buttons"), this);
  add_ = MakeButton(tr("&Add ->"), "addButton", this);
  remove_ = MakeButton(tr("<- &Remove"), "removeButton", this);
  up_ = MakeButton(tr("Move &Up"), "moveUpButton", this);
  down_ = MakeButton(tr("Move &Down"), "moveDownButton", this);

  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
  ok->setObjectName(QStringLiteral("okButton"));
  QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  QPushButton* reset = buttons->addButton(QDialogButtonBox::Reset);
  reset->setObjectName(QStringLiteral("resetButton"));
  reset->setAutoDefault(false);

  auto* available_label = new QLabel(tr("A&vailable buttons:"), this);
  available_label->setBuddy(available_);
  auto* toolbar_label = new QLabel(tr("&Toolbar buttons:"), this);
  toolbar_label->setBuddy(toolbar_);

  auto* middle = new QVBoxLayout;
  middle->addStretch();
  middle->addWidget(add_);
  middle->addWidget(remove_);
  middle->addStretch();
  auto* right = new QVBoxLayout;
  right->addStretch();
  right->addWidget(up_);
  right->addWidget(down_);
  right->addStretch();

  auto* grid = new QGridLayout(this);
  grid->addWidget(available_label, 0, 0);
  grid->addWidget(toolbar_label, 0, 2);
  grid->addWidget(available_, 1, 0);
  grid->addLayout(middle, 1, 1);
  grid->addWidget(toolbar_, 1, 2);
  grid->addLayout(right, 1, 3);
  grid->addWidget(buttons, 2, 0, 1, 4);

  setTabOrder(available_, add_);
  setTabOrder(add_, remove_);
  setTabOrder(remove_, toolbar_);
  setTabOrder(toolbar_, up_);
  setTabOrder(up_, down_);

  connect(add_, &QPushButton::clicked, this, &QtToolbarCustomizeDialog::AddChosen);
  connect(remove_, &QPushButton::clicked, this, &QtToolbarCustomizeDialog::RemoveChosen);
  connect(up_, &QPushButton::clicked, this, &QtToolbarCustomizeDialog::MoveChosenUp);
  connect(down_, &QPushButton::clicked, this, &QtToolbarCustomizeDialog::MoveChosenDown);
  connect(reset, &QPushButton::clicked, this, &QtToolbarCustomizeDialog::ResetEntries);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(available_, &QListWidget::itemDoubleClicked, this, &QtToolbarCustomizeDialog::AddChosen);
  connect(toolbar_, &QListWidget::itemDoubleClicked, this, &QtToolbarCustomizeDialog::RemoveChosen);
  connect(available_, &QListWidget::currentRowChanged, this,
          &QtToolbarCustomizeDialog::UpdateButtons);
  connect(toolbar_, &QListWidget::currentRowChanged, this,
          &QtToolbarCustomizeDialog::UpdateButtons);

  const std::vector<std::int32_t> shown = customization_.Shown();
  Fill(shown.empty() ? 0 : shown.front(), 0);
}

std::int32_t QtToolbarCustomizeDialog::ChosenId(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item == nullptr ? 0 : item->data(kIdRole).toInt();
}

void QtToolbarCustomizeDialog::Fill(std::int32_t toolbar_id, std::int32_t available_id) {
  const auto fill = [this](QListWidget* list, const std::vector<std::int32_t>& ids,
                           std::int32_t chosen) {
    const QSignalBlocker blocker(list);
    list->clear();
    for (const std::int32_t id : ids) {
      auto* item = new QListWidgetItem(ToQString(customization_.LabelOf(id)), list);
      item->setData(kIdRole, id);
      if (id == chosen) {
        list->setCurrentItem(item);
      }
    }
    if (list->currentItem() == nullptr && list->count() > 0) {
      list->setCurrentRow(0);
    }
  };
  fill(toolbar_, customization_.Shown(), toolbar_id);
  fill(available_, customization_.Hidden(), available_id);
  UpdateButtons();
}

void QtToolbarCustomizeDialog::UpdateButtons() {
  const int row = toolbar_->currentRow();
  add_->setEnabled(available_->currentItem() != nullptr);
  remove_->setEnabled(row >= 0);
  up_->setEnabled(row > 0);
  down_->setEnabled(row >= 0 && row + 1 < toolbar_->count());
}

void QtToolbarCustomizeDialog::AddChosen() {
  const std::int32_t id = ChosenId(available_);
  if (id != 0 && customization_.Show(id, ChosenId(toolbar_))) {
    Fill(id, 0);
  }
}

void QtToolbarCustomizeDialog::RemoveChosen() {
  const std::int32_t id = ChosenId(toolbar_);
  if (id == 0) {
    return;
  }
  // The entry after the removed one is chosen next, so that repeated removals walk on.
  const int row = toolbar_->currentRow();
  customization_.Hide(id);
  const std::vector<std::int32_t> shown = customization_.Shown();
  const std::int32_t next =
      shown.empty() ? 0
                    : shown[std::min<std::size_t>(static_cast<std::size_t>(row), shown.size() - 1)];
  Fill(next, id);
}

void QtToolbarCustomizeDialog::MoveChosenUp() {
  const std::int32_t id = ChosenId(toolbar_);
  if (customization_.MoveUp(id)) {
    Fill(id, ChosenId(available_));
  }
}

void QtToolbarCustomizeDialog::MoveChosenDown() {
  const std::int32_t id = ChosenId(toolbar_);
  if (customization_.MoveDown(id)) {
    Fill(id, ChosenId(available_));
  }
}

void QtToolbarCustomizeDialog::ResetEntries() {
  const std::int32_t id = ChosenId(toolbar_);
  customization_.Reset();
  Fill(id, 0);
}

}  // namespace scrivlet
