#include "qt/form_binder.h"

#include <QEvent>
#include <QFocusEvent>
#include <QImageReader>
#include <QMouseEvent>
#include <QPixmap>
#include <QStyle>
#include <algorithm>
#include <cctype>
#include <string_view>

#include "qt/qt_icons.h"
#include "qt/qt_text.h"

namespace scrivlet {
namespace {

// The text a caption shows where no access key can work: "&&" is one "&", a lone "&" nothing.
QString WithoutAccessKey(const QString& caption) {
  QString out;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&')) {
      if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
        out += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

bool HasAccessKey(const std::string& caption) {
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] != '&') {
        return true;
      }
      ++i;
    }
  }
  return false;
}

// A byte offset into UTF-8 text as a UTF-16 position, clamped to the text.
int Utf16Position(const std::string& text, std::int32_t byte_offset) {
  const auto offset = static_cast<std::size_t>(std::max<std::int32_t>(0, byte_offset));
  return static_cast<int>(ToQString(std::string_view(text).substr(0, offset)).size());
}

// A URL scheme and nothing after it ("http://", "mailto:"): text a dialog presets for the user
// to complete.
bool IsPresetPrefix(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 ||
      !std::isalpha(static_cast<unsigned char>(text[0]))) {
    return false;
  }
  for (const char c : text.substr(0, colon)) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') {
      return false;
    }
  }
  const std::string_view rest = text.substr(colon + 1);
  return rest.empty() || rest == "//";
}

void SetTextKeepingCursor(QLineEdit* edit, const QString& text) {
  if (edit->text() == text) {
    return;
  }
  const int cursor = edit->cursorPosition();
  edit->setText(text);
  edit->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
}

// Returns whether the list changed.
bool SetItems(QComboBox* combo, const std::vector<std::string>& list) {
  bool same = combo->count() == static_cast<int>(list.size());
  for (std::size_t i = 0; same && i < list.size(); ++i) {
    same = combo->itemText(static_cast<int>(i)) == ToQString(list[i]);
  }
  if (same) {
    return false;
  }
  combo->clear();
  for (const std::string& entry : list) {
    combo->addItem(ToQString(entry));
  }
  return true;
}

QPixmap LoadPicture(const std::string& picture, const QSize& size) {
  if (picture == kProductIconName) {
    return BuiltinIcon(picture).pixmap(size);
  }
  QImageReader reader(ToQString(picture));
  reader.setDecideFormatFromContent(true);
  return QPixmap::fromImage(reader.read());
}

}  // namespace

FormBinder::FormBinder(QWidget& surface, const Screen& screen)
    : QObject(&surface), surface_(surface), screen_(screen) {
  live_refresh_.setInterval(kLiveRefreshMilliseconds);
  connect(&live_refresh_, &QTimer::timeout, this, &FormBinder::Refresh);
}

QWidget* FormBinder::Parent(QWidget* container) const {
  return container != nullptr ? container : &surface_;
}

FormBinder::Binding& FormBinder::Add(Kind kind, ControlBase* control, QWidget* widget,
                                     QWidget* container, std::function<void()> refresh) {
  if (control != nullptr) {
    widget->setObjectName(ToQString(control->Name));
  }
  bindings_.push_back(Binding{kind, control, widget, container, std::move(refresh)});
  return bindings_.back();
}

QLabel* FormBinder::Bind(Label& label, QWidget* container) {
  auto* widget = new QLabel(Parent(container));
  widget->setTextFormat(Qt::PlainText);
  widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  widget->setWordWrap(true);
  if (label.Click) {
    widget->installEventFilter(this);
    clickable_labels_[widget] = &label;
  }
  Add(Kind::kLabel, &label, widget, container, [widget, &label] {
    const QString caption = ToQString(label.Caption);
    widget->setText(widget->buddy() != nullptr ? caption : WithoutAccessKey(caption));
    QFont font = widget->font();
    font.setBold(label.Bold);
    if (label.FontSize > 0) {
      font.setPointSizeF(label.FontSize);
    }
    if (font != widget->font()) {
      widget->setFont(font);
    }
    if (label.ForeColor >= 0 &&
        widget->palette().color(QPalette::WindowText) != ColorFromPlatform(label.ForeColor)) {
      QPalette palette = widget->palette();
      palette.setColor(QPalette::WindowText, ColorFromPlatform(label.ForeColor));
      widget->setPalette(palette);
    }
    const Qt::CursorShape cursor = label.LinkCursor ? Qt::PointingHandCursor : Qt::ArrowCursor;
    if (widget->cursor().shape() != cursor) {
      widget->setCursor(cursor);
    }
  });
  return widget;
}

QLineEdit* FormBinder::Bind(TextBox& box, QWidget* container) {
  auto* widget = new QLineEdit(Parent(container));
  connect(widget, &QLineEdit::textEdited, this, [this, &box](const QString& text) {
    Forward([&box, text] { box.SetText(ToStdString(text)); });
  });
  widget->installEventFilter(this);
  focus_selections_[widget] = [widget, &box] {
    if (box.SelLength <= 0 && IsPresetPrefix(box.Text)) {
      widget->selectAll();
      return;
    }
    const int start = Utf16Position(box.Text, box.SelStart);
    const int end = Utf16Position(box.Text, box.SelStart + std::max(0, box.SelLength));
    widget->setSelection(start, end - start);
  };
  Add(Kind::kText, &box, widget, container, [widget, &box] {
    SetTextKeepingCursor(widget, ToQString(box.Text));
    widget->setReadOnly(box.Locked);
  });
  return widget;
}

QComboBox* FormBinder::Bind(ComboBox& box, QWidget* container) {
  auto* widget = new QComboBox(Parent(container));
  widget->setEditable(!box.DropDownList);
  widget->setInsertPolicy(QComboBox::NoInsert);
  widget->setMaxVisibleItems(12);
  connect(widget, &QComboBox::activated, this,
          [this, &box](int index) { Forward([&box, index] { box.Choose(index); }); });
  if (QLineEdit* edit = widget->lineEdit(); edit != nullptr) {
    connect(edit, &QLineEdit::textEdited, this, [this, &box](const QString& text) {
      Forward([&box, text] {
        box.Text = ToStdString(text);
        if (box.ListIndex >= 0 && (static_cast<std::size_t>(box.ListIndex) >= box.List.size() ||
                                   box.List[static_cast<std::size_t>(box.ListIndex)] != box.Text)) {
          box.ListIndex = -1;
        }
      });
    });
    // The combo box takes the focus and hands it to its edit field itself.
    focus_selections_[widget] = [edit, &box] {
      const int start = Utf16Position(box.Text, box.SelStart);
      const int end = Utf16Position(box.Text, box.SelStart + std::max(0, box.SelLength));
      edit->setSelection(start, end - start);
    };
    widget->installEventFilter(this);
  }
  Add(Kind::kCombo, &box, widget, container, [widget, &box] {
    QLineEdit* edit = widget->lineEdit();
    // Changing the list or the chosen entry rewrites the edit field; what the user was typing
    // keeps its cursor.
    const int cursor = edit != nullptr ? edit->cursorPosition() : 0;
    bool rewritten = SetItems(widget, box.List);
    const int index = box.ListIndex < widget->count() ? box.ListIndex : -1;
    if (widget->currentIndex() != index) {
      widget->setCurrentIndex(index);
      rewritten = true;
    }
    if (edit != nullptr) {
      const QString text = ToQString(box.Text);
      if (edit->text() != text) {
        edit->setText(text);
        rewritten = true;
      }
      if (rewritten) {
        edit->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
      }
    }
  });
  return widget;
}

QPushButton* FormBinder::Bind(CommandButton& button, QWidget* container) {
  auto* widget = new QPushButton(Parent(container));
  widget->setAutoDefault(true);
  connect(widget, &QPushButton::clicked, this,
          [this, &button] { Forward([&button] { button.Press(); }); });
  Add(Kind::kButton, &button, widget, container, [widget, &button] {
    widget->setText(ToQString(button.Caption));
    widget->setDefault(button.Default);
  });
  return widget;
}

QCheckBox* FormBinder::Bind(CheckBox& box, QWidget* container) {
  auto* widget = new QCheckBox(Parent(container));
  connect(widget, &QCheckBox::clicked, this,
          [this, &box](bool checked) { Forward([&box, checked] { box.Checked = checked; }); });
  Add(Kind::kCheck, &box, widget, container, [widget, &box] {
    widget->setText(ToQString(box.Caption));
    widget->setChecked(box.Checked);
  });
  return widget;
}

QRadioButton* FormBinder::Bind(OptionButton& option, QWidget* container) {
  auto* widget = new QRadioButton(Parent(container));
  connect(widget, &QRadioButton::clicked, this,
          [this, &option] { Forward([&option] { option.Choose(); }); });
  Add(Kind::kOption, &option, widget, container, [widget, &option] {
    widget->setText(ToQString(option.Caption));
    if (widget->isChecked() != option.Value) {
      // An exclusive group will not let its checked button go by itself.
      widget->setAutoExclusive(false);
      widget->setChecked(option.Value);
      widget->setAutoExclusive(true);
    }
  });
  return widget;
}

QGroupBox* FormBinder::Bind(Frame& frame, QWidget* container) {
  auto* widget = new QGroupBox(Parent(container));
  Add(Kind::kFrame, &frame, widget, container,
      [widget, &frame] { widget->setTitle(ToQString(frame.Caption)); });
  return widget;
}

QLabel* FormBinder::Bind(PictureBox& picture, QWidget* container) {
  auto* widget = new QLabel(Parent(container));
  widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The file last shown, so that a refresh does not read it again.
  auto shown = std::make_shared<std::pair<std::string, QSize>>();
  Add(Kind::kPicture, &picture, widget, container, [widget, &picture, shown] {
    widget->setScaledContents(picture.Stretch);
    if (shown->first == picture.Picture && shown->second == widget->size()) {
      return;
    }
    *shown = {picture.Picture, widget->size()};
    widget->setPixmap(picture.Picture.empty() ? QPixmap()
                                              : LoadPicture(picture.Picture, widget->size()));
  });
  return widget;
}

QFrame* FormBinder::BindRule(const ControlRect& rect, QWidget* container) {
  auto* widget = new QFrame(Parent(container));
  widget->setFrameShape(QFrame::HLine);
  widget->setFrameShadow(QFrame::Sunken);
  const int left = TwipsToPixels(rect.Left, screen_.TwipsPerPixelX());
  const int top = TwipsToPixels(rect.Top, screen_.TwipsPerPixelY());
  const int width = TwipsToPixels(rect.Width, screen_.TwipsPerPixelX());
  const int height = std::max(2, TwipsToPixels(rect.Height, screen_.TwipsPerPixelY()));
  widget->setGeometry(left, top, width, height);
  Add(Kind::kRule, nullptr, widget, container, {});
  return widget;
}

bool FormBinder::TakesFocus(Kind kind) {
  switch (kind) {
    case Kind::kText:
    case Kind::kCombo:
    case Kind::kButton:
    case Kind::kCheck:
    case Kind::kOption:
      return true;
    default:
      return false;
  }
}

bool FormBinder::CaptionsFit(const QFont& font) const {
  const QFontMetrics metrics(font);
  const QStyle* style = surface_.style();
  const int indicator = style->pixelMetric(QStyle::PM_IndicatorWidth) +
                        style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
  const int button_padding = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin) +
                                  style->pixelMetric(QStyle::PM_DefaultFrameWidth));
  for (const Binding& binding : bindings_) {
    if (binding.control == nullptr) {
      continue;
    }
    const int width = TwipsToPixels(binding.control->Rect.Width, screen_.TwipsPerPixelX());
    const int height = TwipsToPixels(binding.control->Rect.Height, screen_.TwipsPerPixelY());
    const auto fits = [&metrics, width](const std::string& caption, int room) {
      return metrics.horizontalAdvance(WithoutAccessKey(ToQString(caption))) + room <= width;
    };
    switch (binding.kind) {
      case Kind::kLabel: {
        const auto& label = *static_cast<const Label*>(binding.control);
        if (label.FontSize > 0 || label.Caption.empty()) {
          break;  // a label with its own size is drawn as it asks
        }
        QFont own = font;
        own.setBold(label.Bold);
        const QFontMetrics label_metrics(own);
        const QString text = WithoutAccessKey(ToQString(label.Caption));
        if (height >= 2 * label_metrics.height()) {
          const QRect needed =
              label_metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, text);
          if (needed.height() > height) {
            return false;
          }
        } else if (label_metrics.horizontalAdvance(text) > width) {
          return false;
        }
        break;
      }
      case Kind::kButton:
        if (!fits(static_cast<const CommandButton*>(binding.control)->Caption, button_padding)) {
          return false;
        }
        break;
      case Kind::kCheck:
        if (!fits(static_cast<const CheckBox*>(binding.control)->Caption, indicator)) {
          return false;
        }
        break;
      case Kind::kOption:
        if (!fits(static_cast<const OptionButton*>(binding.control)->Caption, indicator)) {
          return false;
        }
        break;
      default:
        break;
    }
  }
  return true;
}

void FormBinder::FitFont() {
  const QFont base = surface_.font();
  for (int pixels = QFontInfo(base).pixelSize(); pixels >= kSmallestFontPixels; --pixels) {
    QFont font = base;
    font.setPixelSize(pixels);
    if (CaptionsFit(font) || pixels == kSmallestFontPixels) {
      if (font != base) {
        surface_.setFont(font);
      }
      return;
    }
  }
}

void FormBinder::FinishBinding() {
  FitFont();
  std::vector<const Binding*> ordered;
  for (const Binding& binding : bindings_) {
    if (binding.control != nullptr && binding.control->TabIndex >= 0) {
      ordered.push_back(&binding);
    }
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const Binding* a, const Binding* b) {
    return a->control->TabIndex < b->control->TabIndex;
  });
  QWidget* previous = nullptr;
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    const Binding& binding = *ordered[i];
    if (TakesFocus(binding.kind)) {
      if (previous != nullptr) {
        QWidget::setTabOrder(previous, binding.widget);
      }
      previous = binding.widget;
    } else if (binding.kind == Kind::kLabel &&
               HasAccessKey(static_cast<const Label*>(binding.control)->Caption)) {
      for (std::size_t j = i + 1; j < ordered.size(); ++j) {
        if (TakesFocus(ordered[j]->kind)) {
          static_cast<QLabel*>(binding.widget)->setBuddy(ordered[j]->widget);
          break;
        }
      }
    }
  }
  for (Binding& binding : bindings_) {
    if (binding.kind == Kind::kFrame || binding.kind == Kind::kLabel ||
        binding.kind == Kind::kPicture || binding.kind == Kind::kRule) {
      binding.widget->setFocusPolicy(Qt::NoFocus);
    }
  }
  Refresh();
}

bool FormBinder::OutsideClientArea(const Binding& binding) const {
  if (binding.container != nullptr || binding.control == nullptr || !client_area_) {
    return false;
  }
  const ControlRect area = client_area_();
  const ControlRect& rect = binding.control->Rect;
  return rect.Left >= area.Width || rect.Top >= area.Height || rect.Left + rect.Width <= 0 ||
         rect.Top + rect.Height <= 0;
}

void FormBinder::Place(const Binding& binding) const {
  const ControlRect& rect = binding.control->Rect;
  const QRect geometry(TwipsToPixels(rect.Left, screen_.TwipsPerPixelX()),
                       TwipsToPixels(rect.Top, screen_.TwipsPerPixelY()),
                       TwipsToPixels(rect.Width, screen_.TwipsPerPixelX()),
                       TwipsToPixels(rect.Height, screen_.TwipsPerPixelY()));
  if (binding.widget->geometry() != geometry) {
    binding.widget->setGeometry(geometry);
  }
}

void FormBinder::Refresh() {
  if (refreshing_) {
    return;
  }
  refreshing_ = true;
  for (const Binding& binding : bindings_) {
    if (binding.control == nullptr) {
      continue;
    }
    Place(binding);
    binding.widget->setEnabled(binding.control->Enabled);
    binding.widget->setVisible(binding.control->Visible && !OutsideClientArea(binding));
    if (binding.refresh) {
      binding.refresh();
    }
  }
  if (after_refresh_) {
    after_refresh_();
  }
  refreshing_ = false;
}

void FormBinder::Forward(const std::function<void()>& input) {
  if (forward_depth_++ == 0) {
    live_refresh_.start();
  }
  try {
    input();
  } catch (...) {
    if (--forward_depth_ == 0) {
      live_refresh_.stop();
    }
    if (error_handler_) {
      error_handler_(std::current_exception());
    }
    return;
  }
  if (--forward_depth_ == 0) {
    live_refresh_.stop();
  }
  Refresh();
}

void FormBinder::FocusFirst() {
  std::vector<const Binding*> ordered;
  for (const Binding& binding : bindings_) {
    if (binding.control != nullptr && TakesFocus(binding.kind)) {
      ordered.push_back(&binding);
    }
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const Binding* a, const Binding* b) {
    return a->control->TabIndex < b->control->TabIndex;
  });
  for (const Binding* binding : ordered) {
    if (binding->widget->isEnabled() && binding->widget->isVisibleTo(&surface_)) {
      binding->widget->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

CommandButton* FormBinder::CancelButton() const {
  for (const Binding& binding : bindings_) {
    if (binding.kind == Kind::kButton) {
      auto* button = static_cast<CommandButton*>(binding.control);
      if (button->Cancel) {
        return button;
      }
    }
  }
  return nullptr;
}

bool FormBinder::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    const auto it = focus_selections_.find(watched);
    if (it != focus_selections_.end()) {
      // The edit's own focus handling (select all on Tab) first, then the control's selection.
      watched->event(event);
      it->second();
      return true;
    }
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto it = clickable_labels_.find(watched);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (it != clickable_labels_.end() && mouse->button() == Qt::LeftButton &&
        static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
      Label* label = it->second;
      Forward([label] {
        if (label->Enabled && label->Visible && label->Click) {
          label->Click();
        }
      });
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace scrivlet
