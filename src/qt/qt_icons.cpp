#include "qt/qt_icons.h"

#include <QFont>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>
#include <functional>
#include <utility>

#include "control/commands.h"
#include "qt/qt_text.h"

namespace scrivlet {
namespace {

// Colours of one drawing: everything greys out together when the icon is disabled.
struct Palette {
  QColor ink{0x20, 0x20, 0x20};
  QColor paper{0xFF, 0xFF, 0xFF};
  QColor accent{0x1E, 0x5A, 0xC8};
  QColor red{0xD0, 0x20, 0x20};
  QColor green{0x2E, 0x8B, 0x3A};
  QColor yellow{0xF2, 0xC2, 0x1B};
  QColor wood{0xB8, 0x86, 0x4B};
  QColor sky{0xDD, 0xEE, 0xFF};

  static Palette Disabled() {
    const QColor grey(0x9A, 0x9A, 0x9A);
    const QColor light(0xC8, 0xC8, 0xC8);
    const QColor paper(0xF4, 0xF4, 0xF4);
    return Palette{grey, paper, grey, light, light, light, light, paper};
  }
};

using Drawing = void (*)(QPainter&, const Palette&);

// The drawings work on a 16 x 16 grid; the engine scales them.
QPen Pen(const QColor& color, double width = 1.0) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void Letter(QPainter& p, const QColor& color, const QString& text, QRectF box, bool bold,
            bool italic, bool serif = true) {
  QFont font(serif ? QStringLiteral("DejaVu Serif") : QStringLiteral("DejaVu Sans"));
  font.setStyleHint(serif ? QFont::Serif : QFont::SansSerif);
  font.setBold(bold);
  font.setItalic(italic);
  font.setPixelSize(100);
  QPainterPath path;
  path.addText(0, 0, font, text);
  const QRectF bounds = path.boundingRect();
  if (bounds.isEmpty()) {
    return;
  }
  // Fitted into the box by its ink, whatever the font's metrics.
  const double scale = std::min(box.width() / bounds.width(), box.height() / bounds.height());
  QTransform transform;
  transform.translate(box.center().x(), box.center().y());
  transform.scale(scale, scale);
  transform.translate(-bounds.center().x(), -bounds.center().y());
  p.fillPath(transform.map(path), color);
}

void Lines(QPainter& p, const QColor& color, const std::array<std::pair<double, double>, 4>& spans,
           double top = 3.0) {
  p.setPen(Pen(color, 1.4));
  for (std::size_t i = 0; i < spans.size(); ++i) {
    const double y = top + 3.3 * static_cast<double>(i);
    p.drawLine(QPointF(spans[i].first, y), QPointF(spans[i].second, y));
  }
}

void Page(QPainter& p, const Palette& c, QRectF r) {
  QPainterPath page;
  page.moveTo(r.topLeft());
  page.lineTo(r.right() - 3, r.top());
  page.lineTo(r.right(), r.top() + 3);
  page.lineTo(r.bottomRight());
  page.lineTo(r.bottomLeft());
  page.closeSubpath();
  p.setPen(Pen(c.ink, 1.0));
  p.setBrush(c.paper);
  p.drawPath(page);
  p.setPen(Pen(c.accent, 0.9));
  for (double y = r.top() + 3.5; y < r.bottom() - 1; y += 2.5) {
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
  }
}

void DrawBold(QPainter& p, const Palette& c) {
  Letter(p, c.ink, QStringLiteral("B"), QRectF(3, 2, 10, 12), true, false, false);
}

void DrawItalic(QPainter& p, const Palette& c) {
  Letter(p, c.ink, QStringLiteral("I"), QRectF(4, 2, 8, 12), false, true);
}

void DrawUnderline(QPainter& p, const Palette& c) {
  Letter(p, c.ink, QStringLiteral("U"), QRectF(3.5, 1.5, 9, 10), false, false);
  p.setPen(Pen(c.ink, 1.4));
  p.drawLine(QPointF(3, 14), QPointF(13, 14));
}

void DrawFontFace(QPainter& p, const Palette& c) {
  Letter(p, c.ink, QStringLiteral("A"), QRectF(0.5, 2, 9, 12), false, false);
  Letter(p, c.accent, QStringLiteral("a"), QRectF(9.5, 7, 6, 7), false, true);
}

void DrawFontSize(QPainter& p, const Palette& c) {
  Letter(p, c.ink, QStringLiteral("A"), QRectF(0.5, 2, 9, 12), false, false, false);
  Letter(p, c.ink, QStringLiteral("A"), QRectF(10, 8, 5, 6), false, false, false);
  p.setPen(Pen(c.accent, 1.2));
  p.drawLine(QPointF(12.5, 6), QPointF(12.5, 1.5));
  p.drawLine(QPointF(10.8, 3.2), QPointF(12.5, 1.5));
  p.drawLine(QPointF(14.2, 3.2), QPointF(12.5, 1.5));
}

void DrawFontColor(QPainter& p, const Palette& c) {
  Letter(p, c.ink, QStringLiteral("A"), QRectF(3, 1, 10, 10), false, false, false);
  p.fillRect(QRectF(1.5, 12.5, 13, 3), c.red);
}

void DrawCut(QPainter& p, const Palette& c) {
  p.setPen(Pen(c.ink, 1.3));
  p.drawLine(QPointF(5, 1.5), QPointF(10.5, 10.5));
  p.drawLine(QPointF(11, 1.5), QPointF(5.5, 10.5));
  p.setPen(Pen(c.accent, 1.4));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(4.5, 12.5), 2.3, 2.3);
  p.drawEllipse(QPointF(11.5, 12.5), 2.3, 2.3);
}

void DrawCopy(QPainter& p, const Palette& c) {
  Page(p, c, QRectF(1.5, 1.5, 8, 10));
  Page(p, c, QRectF(6.5, 4.5, 8, 10));
}

void DrawPaste(QPainter& p, const Palette& c) {
  p.setPen(Pen(c.ink, 1.0));
  p.setBrush(c.wood);
  p.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1.2, 1.2);
  p.setBrush(c.paper);
  p.drawRoundedRect(QRectF(4, 1, 5, 3), 0.8, 0.8);
  Page(p, c, QRectF(6.5, 6.5, 8, 8.5));
}

void DrawUndo(QPainter& p, const Palette& c) {
  p.setPen(Pen(c.accent, 1.8));
  p.setBrush(Qt::NoBrush);
  QPainterPath arc;
  arc.moveTo(3.5, 7);
  arc.cubicTo(6, 3, 13.5, 3.5, 13, 9.5);
  arc.cubicTo(12.7, 12.5, 10, 13.5, 8, 13.5);
  p.drawPath(arc);
  QPainterPath head;
  head.moveTo(1.5, 3);
  head.lineTo(6.5, 8.5);
  head.lineTo(1, 9.5);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(c.accent);
  p.drawPath(head);
}

void DrawBullets(QPainter& p, const Palette& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c.accent);
  for (const double y : {3.0, 8.0, 13.0}) {
    p.drawEllipse(QPointF(2.5, y), 1.5, 1.5);
  }
  p.setPen(Pen(c.ink, 1.4));
  for (const double y : {3.0, 8.0, 13.0}) {
    p.drawLine(QPointF(6, y), QPointF(14.5, y));
  }
}

void DrawIndent(QPainter& p, const Palette& c, bool more) {
  p.setPen(Pen(c.ink, 1.4));
  p.drawLine(QPointF(1.5, 2), QPointF(14.5, 2));
  for (const double y : {5.5, 9.0}) {
    p.drawLine(QPointF(7, y), QPointF(14.5, y));
  }
  p.drawLine(QPointF(1.5, 12.5), QPointF(14.5, 12.5));
  QPainterPath arrow;
  if (more) {
    arrow.moveTo(1.5, 4.5);
    arrow.lineTo(5, 7.25);
    arrow.lineTo(1.5, 10);
  } else {
    arrow.moveTo(5, 4.5);
    arrow.lineTo(1.5, 7.25);
    arrow.lineTo(5, 10);
  }
  arrow.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(c.accent);
  p.drawPath(arrow);
}

void DrawIndentLeft(QPainter& p, const Palette& c) {
  DrawIndent(p, c, false);
}

void DrawIndentRight(QPainter& p, const Palette& c) {
  DrawIndent(p, c, true);
}

void DrawLeft(QPainter& p, const Palette& c) {
  Lines(p, c.ink, {{{1.5, 14.5}, {1.5, 10}, {1.5, 14.5}, {1.5, 8.5}}});
}

void DrawCenter(QPainter& p, const Palette& c) {
  Lines(p, c.ink, {{{1.5, 14.5}, {4, 12}, {2.5, 13.5}, {5, 11}}});
}

void DrawRight(QPainter& p, const Palette& c) {
  Lines(p, c.ink, {{{1.5, 14.5}, {6, 14.5}, {1.5, 14.5}, {7.5, 14.5}}});
}

void DrawHyperlink(QPainter& p, const Palette& c) {
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(c.accent, 1.7));
  p.save();
  p.translate(8, 8);
  p.rotate(-45);
  p.drawRoundedRect(QRectF(-7, -2.3, 7.5, 4.6), 2.3, 2.3);
  p.drawRoundedRect(QRectF(-0.5, -2.3, 7.5, 4.6), 2.3, 2.3);
  p.restore();
}

void DrawPicture(QPainter& p, const Palette& c) {
  p.setPen(Pen(c.ink, 1.0));
  p.setBrush(c.sky);
  p.drawRect(QRectF(1.5, 2.5, 13, 11));
  p.setPen(Qt::NoPen);
  p.setBrush(c.yellow);
  p.drawEllipse(QPointF(10.8, 5.8), 1.6, 1.6);
  QPainterPath hills;
  hills.moveTo(2, 13);
  hills.lineTo(6, 7);
  hills.lineTo(9, 11);
  hills.lineTo(11, 9);
  hills.lineTo(14, 13);
  hills.closeSubpath();
  p.setBrush(c.green);
  p.drawPath(hills);
}

void DrawAbout(QPainter& p, const Palette& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c.accent);
  p.drawEllipse(QPointF(8, 8), 7, 7);
  p.setBrush(c.paper);
  p.drawEllipse(QPointF(8, 4.6), 1.2, 1.2);
  p.drawRoundedRect(QRectF(6.9, 6.8, 2.2, 6), 0.6, 0.6);
}

void DrawProduct(QPainter& p, const Palette& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c.accent);
  p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
  Page(p, c, QRectF(3, 2.5, 10, 11.5));
  Letter(p, c.red, QStringLiteral("S"), QRectF(5, 5.5, 6, 7.5), true, false);
}

// A picture of the project's own, under its name in the freedesktop icon naming (the image
// column of the toolbar's command table).
struct NamedDrawing {
  std::string_view name;
  Drawing draw;
};

constexpr std::array<NamedDrawing, 20> kDrawings = {{
    {"help-about", DrawAbout},
    {"format-text-bold", DrawBold},
    {"format-list-unordered", DrawBullets},
    {"edit-copy", DrawCopy},
    {"format-justify-center", DrawCenter},
    {"edit-cut", DrawCut},
    {"format-text-color", DrawFontColor},
    {"preferences-desktop-font", DrawFontFace},
    {"format-font-size-more", DrawFontSize},
    {"insert-link", DrawHyperlink},
    {"format-indent-less", DrawIndentLeft},
    {"format-indent-more", DrawIndentRight},
    {"format-text-italic", DrawItalic},
    {"format-justify-left", DrawLeft},
    {"edit-paste", DrawPaste},
    {"insert-image", DrawPicture},
    {"format-justify-right", DrawRight},
    {"edit-undo", DrawUndo},
    {"format-text-underline", DrawUnderline},
    {kProductIconName, DrawProduct},
}};

// The picture's name for an image key: the command's image; the product's own name for itself.
std::string_view PictureName(std::string_view key) {
  const CommandDefinition* command = FindCommand(key);
  return command != nullptr ? command->image : key;
}

const NamedDrawing* Find(std::string_view key) {
  const std::string_view name = PictureName(key);
  for (const NamedDrawing& drawing : kDrawings) {
    if (drawing.name == name) {
      return &drawing;
    }
  }
  return nullptr;
}

// An engine that paints its icon at any size: its pixmaps are what it paints on a transparent
// ground.
class PaintingEngine : public QIconEngine {
 public:
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pixmap;
  }
};

// Paints a drawing at any size; QIcon caches the pixmaps it makes.
class DrawingEngine final : public PaintingEngine {
 public:
  explicit DrawingEngine(const NamedDrawing& drawing) : drawing_(drawing) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    const double side = std::min(rect.width(), rect.height());
    if (side <= 0) {
      return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(rect.x() + (rect.width() - side) / 2.0,
                       rect.y() + (rect.height() - side) / 2.0);
    painter->scale(side / 16.0, side / 16.0);
    drawing_.draw(*painter, mode == QIcon::Disabled ? Palette::Disabled() : Palette());
    painter->restore();
  }

  QIconEngine* clone() const override { return new DrawingEngine(drawing_); }
  QString key() const override { return QStringLiteral("scrivlet-drawing"); }
  QString iconName() override { return ToQString(drawing_.name); }

 private:
  const NamedDrawing& drawing_;
};

// Another icon, faded, with the mixed-state dash over it.
class MixedEngine final : public PaintingEngine {
 public:
  explicit MixedEngine(QIcon base) : base_(std::move(base)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    painter->save();
    painter->setOpacity(0.45);
    base_.paint(painter, rect, Qt::AlignCenter, mode, state);
    painter->setOpacity(1.0);
    painter->setRenderHint(QPainter::Antialiasing);
    const double side = std::min(rect.width(), rect.height());
    const QRectF dash(rect.right() + 1 - side * 0.5, rect.bottom() + 1 - side * 0.22, side * 0.45,
                      side * 0.16);
    painter->fillRect(
        dash, mode == QIcon::Disabled ? QColor(0x9A, 0x9A, 0x9A) : QColor(0x20, 0x20, 0x20));
    painter->restore();
  }

  QIconEngine* clone() const override { return new MixedEngine(base_); }
  QString key() const override { return QStringLiteral("scrivlet-mixed"); }

 private:
  QIcon base_;
};

// Another icon with a colour bar along its foot.
class ColorBarEngine final : public PaintingEngine {
 public:
  ColorBarEngine(QIcon base, QColor color) : base_(std::move(base)), color_(std::move(color)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    base_.paint(painter, rect, Qt::AlignCenter, mode, state);
    const double side = std::min(rect.width(), rect.height());
    if (side <= 0) {
      return;
    }
    // Where the font colour picture draws its bar, on its 16-unit grid.
    const double unit = side / 16.0;
    const QRectF bar(rect.x() + (rect.width() - side) / 2.0 + 1.5 * unit,
                     rect.y() + (rect.height() - side) / 2.0 + 12.5 * unit, 13 * unit, 3 * unit);
    painter->fillRect(bar, mode == QIcon::Disabled ? QColor(0xC8, 0xC8, 0xC8) : color_);
  }

  QIconEngine* clone() const override { return new ColorBarEngine(base_, color_); }
  QString key() const override { return QStringLiteral("scrivlet-color-bar"); }

 private:
  QIcon base_;
  QColor color_;
};

}  // namespace

QIcon ColorBarIcon(const QIcon& base, const QColor& color) {
  return QIcon(new ColorBarEngine(base, color));
}

QIcon BuiltinIcon(std::string_view key) {
  const NamedDrawing* drawing = Find(key);
  return drawing == nullptr ? QIcon() : QIcon(new DrawingEngine(*drawing));
}

QString ThemeIconName(std::string_view key) {
  const CommandDefinition* command = FindCommand(key);
  return command == nullptr ? QString() : ToQString(command->image);
}

QIcon ToolbarIcon(std::string_view key, std::string_view picture) {
  if (!picture.empty()) {
    return QIcon(ToQString(picture));
  }
  const QString theme_name = ThemeIconName(key);
  if (!QIcon::themeName().isEmpty() && !theme_name.isEmpty() && QIcon::hasThemeIcon(theme_name)) {
    return QIcon::fromTheme(theme_name);
  }
  return BuiltinIcon(key);
}

QIcon MixedStateIcon(const QIcon& base) {
  return QIcon(new MixedEngine(base));
}

}  // namespace scrivlet
