#include "qt/qt_rich_text_box.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextLayout>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "conversion/conversion_context.h"
#include "conversion/html5_writer.h"
#include "conversion/html_reader.h"
#include "conversion/html_to_rtf.h"
#include "document/rtf_reader.h"
#include "document/rtf_writer.h"
#include "qt/paragraph_diff.h"
#include "qt/qt_text.h"
#include "qt/surface_edit.h"

namespace scrivlet {

namespace {

// Exact values kept beside what Qt draws. Character formats:
constexpr int kFaceProperty = QTextFormat::UserProperty + 1;        // QByteArray, the face's bytes
constexpr int kHalfPointsProperty = QTextFormat::UserProperty + 2;  // int
constexpr int kColorProperty = QTextFormat::UserProperty + 3;       // int, 0x00BBGGRR
// A unit QTextDocument cannot hold as text (it would break the block) is stored as U+FFFD with
// its own value here.
constexpr int kStandInProperty = QTextFormat::UserProperty + 4;
// Block formats:
constexpr int kAlignmentProperty = QTextFormat::UserProperty + 10;    // int, Alignment
constexpr int kIndentProperty = QTextFormat::UserProperty + 11;       // int, twips
constexpr int kRightIndentProperty = QTextFormat::UserProperty + 12;  // int, twips
constexpr int kBulletProperty = QTextFormat::UserProperty + 13;       // bool
constexpr int kMarkProperty = QTextFormat::UserProperty + 14;         // QTextFormat, the mark

constexpr char16_t kStandInUnit = 0xFFFD;

// From this size on, a change of most of the document is laid out lazily (LazyLayout); smaller
// documents lay out at once, which costs little.
constexpr std::int64_t kLazyLayoutCharacters = 100000;
constexpr char16_t kBulletCharacter = 0x2022;
// Qt formats kept made (ToQt) at most.
constexpr std::size_t kToQtCacheFormats = 256;

const char* const kRtfMimeTypes[] = {"text/rtf", "application/rtf"};

// Units QTextCursor::insertText turns into block breaks or frame marks, and the object
// replacement character, which Qt lays out as an embedded object.
bool NeedsStandIn(char16_t unit) {
  return unit == u'\r' || unit == u'\n' || unit == 0x2029 || unit == 0xFDD0 || unit == 0xFDD1 ||
         unit == 0xFFFC;
}

// The format of the character that stands in for `unit`: the run's, with the unit beside it.
QTextCharFormat StandInFormat(const QTextCharFormat& format, char16_t unit) {
  QTextCharFormat standIn = format;
  standIn.setProperty(kStandInProperty, static_cast<int>(unit));
  return standIn;
}

// Whether a change of `changed` characters is most of a document of `length`, large enough that
// its layout should wait (LazyLayout).
bool ChangesMostOf(std::int64_t changed, std::int64_t length) {
  return length >= kLazyLayoutCharacters && 2 * changed > length;
}

QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// Holds a document in one edit block while it lives. Qt lays the changed text out again when
// the outermost block ends: a block per paragraph made a change over many paragraphs quadratic
// (each layout also placed every paragraph after it).
class EditBlock {
 public:
  explicit EditBlock(QTextDocument& document) : cursor_(&document) { cursor_.beginEditBlock(); }
  ~EditBlock() { cursor_.endEditBlock(); }
  EditBlock(const EditBlock&) = delete;
  EditBlock& operator=(const EditBlock&) = delete;

 private:
  QTextCursor cursor_;
};

// Holds a document's layout off while it lives: Qt then lays the whole document out again lazily
// when it ends (the part in view first, the rest in steps between events), as for a document
// just loaded. For a change of most of a large document: otherwise the change returns only once
// every line of the document is laid out again.
class LazyLayout {
 public:
  explicit LazyLayout(QTextDocument& document)
      : document_(document), pageSize_(document.pageSize()) {
    document_.setPageSize(QSizeF(0, 0));  // a null size: the layout waits
  }
  ~LazyLayout() { document_.setPageSize(pageSize_); }
  LazyLayout(const LazyLayout&) = delete;
  LazyLayout& operator=(const LazyLayout&) = delete;

 private:
  QTextDocument& document_;
  QSizeF pageSize_;
};

// Counts the surface's own writes while it lives: the editor's signals during them are not the
// user's and raise no event.
class OwnWrite {
 public:
  explicit OwnWrite(int& depth) : depth_(depth) { ++depth_; }
  ~OwnWrite() { --depth_; }
  OwnWrite(const OwnWrite&) = delete;
  OwnWrite& operator=(const OwnWrite&) = delete;

 private:
  int& depth_;
};

}  // namespace

// ----- Construction -----

QtRichTextBox::QtRichTextBox() : QtRichTextBox(nullptr) {}

QtRichTextBox::QtRichTextBox(QWidget* parent) : editor_(new SurfaceEdit(*this, parent)) {
  editor_->setUndoRedoEnabled(false);
  editor_->setTabChangesFocus(false);
  Doc().setUndoRedoEnabled(false);
  Doc().setDefaultFont(QFont(QString::fromStdString(fontName_), 12));
  const auto selectionMoved = [this] { OnEditorSelectionChanged(); };
  QObject::connect(editor_, &QTextEdit::cursorPositionChanged, editor_, selectionMoved);
  QObject::connect(editor_, &QTextEdit::selectionChanged, editor_, selectionMoved);

  {
    const OwnWrite own(writing_);
    QTextCursor cursor(&Doc());
    Paragraph empty;
    empty.mark = DefaultFormat();
    ApplyBlockFormat(cursor, empty);
  }
  SetBackColor(backColor_);
}

QtRichTextBox::~QtRichTextBox() {
  DropHandlers();
  delete editor_.data();
}

QTextEdit* QtRichTextBox::Editor() const {
  return editor_.data();
}

// ----- Mapping -----

QTextDocument& QtRichTextBox::Doc() const {
  return *editor_->document();
}

QTextBlock QtRichTextBox::BlockAt(std::size_t index) const {
  return Doc().findBlockByNumber(static_cast<int>(index));
}

std::size_t QtRichTextBox::ParagraphCount() const {
  return static_cast<std::size_t>(Doc().blockCount());
}

CharFormat QtRichTextBox::FromQt(const QTextCharFormat& format) const {
  CharFormat result;
  if (format.hasProperty(kFaceProperty)) {
    result.face = format.property(kFaceProperty).toByteArray().toStdString();
  } else {
    const QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
    result.face = families.isEmpty() ? fontName_ : families.front().toStdString();
  }
  if (format.hasProperty(kHalfPointsProperty)) {
    result.halfPoints = format.intProperty(kHalfPointsProperty);
  } else {
    const double points = format.fontPointSize() > 0 ? format.fontPointSize() : fontSize_;
    result.halfPoints = static_cast<std::int32_t>(std::lround(points * 2));
  }
  if (format.hasProperty(kColorProperty)) {
    result.color = format.intProperty(kColorProperty);
  } else if (format.foreground().style() != Qt::NoBrush) {
    result.color = ColorToPlatform(format.foreground().color());
  }
  result.bold = format.fontWeight() > QFont::Medium;
  result.italic = format.fontItalic();
  result.underline = format.fontUnderline();
  return result;
}

std::size_t QtRichTextBox::CharFormatHash::operator()(const CharFormat& format) const {
  std::size_t hash = std::hash<std::string_view>()(format.face.view());
  hash = hash * 31 + static_cast<std::size_t>(format.halfPoints);
  hash = hash * 31 + static_cast<std::size_t>(format.color);
  return hash * 8 + (format.bold ? 4U : 0U) + (format.italic ? 2U : 0U) +
         (format.underline ? 1U : 0U);
}

QTextCharFormat QtRichTextBox::ToQt(const CharFormat& format) const {
  if (const auto found = toQtCache_.find(format); found != toQtCache_.end()) {
    return found->second;
  }
  // Bounded: a page of many colours or faces must not keep every one.
  if (toQtCache_.size() >= kToQtCacheFormats) {
    toQtCache_.clear();
  }
  QTextCharFormat result;
  const std::string_view face = format.face.view();
  result.setFontFamilies(
      QStringList{QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()))});
  result.setProperty(kFaceProperty, QByteArray(face.data(), static_cast<qsizetype>(face.size())));
  result.setFontPointSize(std::max(format.halfPoints, 1) / 2.0);
  result.setProperty(kHalfPointsProperty, format.halfPoints);
  result.setForeground(ColorFromPlatform(format.color));
  result.setProperty(kColorProperty, format.color);
  result.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
  result.setFontItalic(format.italic);
  result.setFontUnderline(format.underline);
  toQtCache_.emplace(format, result);
  return result;
}

// Qt numbers a document's formats and never renumbers them, so a conversion is done once.
const CharFormat& QtRichTextBox::CachedFormat(const QTextFragment& fragment) const {
  const auto [it, added] = formatCache_.try_emplace(fragment.charFormatIndex());
  if (added) {
    it->second = FromQt(fragment.charFormat());
  }
  return it->second;
}

// A block format holds the paragraph's format and its mark; like character formats, it is
// converted once for each format index.
QtRichTextBox::BlockModel QtRichTextBox::FromQtBlock(const QTextBlockFormat& format) const {
  BlockModel result;
  result.format.alignment = static_cast<Alignment>(format.intProperty(kAlignmentProperty));
  result.format.indent = format.intProperty(kIndentProperty);
  result.format.rightIndent = format.intProperty(kRightIndentProperty);
  result.format.bullet = format.boolProperty(kBulletProperty);
  const QVariant mark = format.property(kMarkProperty);
  result.mark =
      mark.isValid() ? FromQt(qvariant_cast<QTextFormat>(mark).toCharFormat()) : DefaultFormat();
  return result;
}

const QtRichTextBox::BlockModel& QtRichTextBox::CachedBlock(const QTextBlock& block) const {
  const auto [it, added] = blockCache_.try_emplace(block.blockFormatIndex());
  if (added) {
    it->second = FromQtBlock(block.blockFormat());
  }
  return it->second;
}

ParaFormat QtRichTextBox::ParaFromBlock(const QTextBlock& block) const {
  return CachedBlock(block).format;
}

CharFormat QtRichTextBox::MarkOf(const QTextBlock& block) const {
  return CachedBlock(block).mark;
}

Paragraph QtRichTextBox::ReadParagraph(const QTextBlock& block) const {
  Paragraph paragraph;
  const BlockModel& blockModel = CachedBlock(block);
  paragraph.format = blockModel.format;
  paragraph.mark = blockModel.mark;
  paragraph.runs = ReadRuns(block, 0, std::numeric_limits<std::int32_t>::max());
  return paragraph;
}

std::vector<TextRun> QtRichTextBox::ReadRuns(const QTextBlock& block, std::int32_t from,
                                             std::int32_t to) const {
  Paragraph runs;
  if (from >= to) {
    return {};
  }
  const int start = block.position();
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (!fragment.isValid()) {
      continue;
    }
    const int begin = std::max(fragment.position() - start, from);
    const int end = std::min(fragment.position() + fragment.length() - start, to);
    if (begin >= end) {
      if (fragment.position() - start >= to) {
        break;
      }
      continue;
    }
    const QTextCharFormat format = fragment.charFormat();
    const CharFormat& model = CachedFormat(fragment);
    const auto length = static_cast<std::size_t>(end - begin);
    if (format.hasProperty(kStandInProperty)) {
      AppendText(
          runs, model,
          std::u16string(length, static_cast<char16_t>(format.intProperty(kStandInProperty))));
    } else {
      const QString text = fragment.text();
      AppendText(
          runs, model,
          std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<std::size_t>(text.size()))
              .substr(static_cast<std::size_t>(begin - (fragment.position() - start)), length));
    }
  }
  return std::move(runs.runs);
}

void QtRichTextBox::VisitRunFormats(std::int32_t from, std::int32_t to,
                                    const std::function<bool(const CharFormat&)>& visit) const {
  for (QTextBlock block = Doc().findBlock(from); block.isValid() && block.position() <= to;
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid() || fragment.position() + fragment.length() <= from) {
        continue;
      }
      if (fragment.position() >= to) {
        return;
      }
      if (!visit(CachedFormat(fragment))) {
        return;
      }
    }
  }
}

std::vector<Paragraph> QtRichTextBox::ReadParagraphs(std::size_t first, std::size_t last) const {
  std::vector<Paragraph> paragraphs;
  paragraphs.reserve(last - first + 1);
  QTextBlock block = BlockAt(first);
  for (std::size_t i = first; i <= last && block.isValid(); ++i, block = block.next()) {
    paragraphs.push_back(ReadParagraph(block));
  }
  return paragraphs;
}

// Whole twips per pixel, 1440 / dpi rounded (15 at 96 dpi), as the control's screen counts them:
// the pixels a host converts to twips come back as the same pixels.
std::int32_t QtRichTextBox::TwipsPerPixel(bool vertical) const {
  const int dpi = vertical ? editor_->logicalDpiY() : editor_->logicalDpiX();
  return dpi > 0 ? std::max(1, static_cast<int>(std::lround(1440.0 / dpi))) : 15;
}

double QtRichTextBox::PixelsPerTwip() const {
  return 1.0 / TwipsPerPixel(false);
}

// The block format draws the paragraph (alignment, margins in pixels, the bullet's room) and
// keeps its exact values; the block's char format, which Qt gives an empty paragraph, is the mark.
void QtRichTextBox::ApplyBlockFormat(QTextCursor& cursor, const Paragraph& paragraph) const {
  const BlockFormats& formats = ToQtBlock(paragraph);
  cursor.setBlockFormat(formats.block);
  cursor.setBlockCharFormat(formats.mark);
}

const QtRichTextBox::BlockFormats& QtRichTextBox::ToQtBlock(const Paragraph& paragraph) const {
  BlockKey key{paragraph.format, paragraph.mark};
  if (const auto found = toQtBlockCache_.find(key); found != toQtBlockCache_.end()) {
    return found->second;
  }
  if (toQtBlockCache_.size() >= kToQtCacheFormats) {
    toQtBlockCache_.clear();
  }
  const ParaFormat& para = paragraph.format;
  QTextBlockFormat format;
  switch (para.alignment) {
    case Alignment::kCenter:
      format.setAlignment(Qt::AlignHCenter);
      break;
    case Alignment::kRight:
      format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
      break;
    case Alignment::kLeft:
      format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
      break;
  }
  const double scale = PixelsPerTwip();
  format.setLeftMargin((para.indent + (para.bullet ? bulletIndent_ : 0)) * scale);
  format.setRightMargin(para.rightIndent * scale);
  format.setProperty(kAlignmentProperty, static_cast<int>(para.alignment));
  format.setProperty(kIndentProperty, para.indent);
  format.setProperty(kRightIndentProperty, para.rightIndent);
  format.setProperty(kBulletProperty, para.bullet);
  const QTextCharFormat mark = ToQt(paragraph.mark);
  format.setProperty(kMarkProperty, QVariant(static_cast<const QTextFormat&>(mark)));
  return toQtBlockCache_.emplace(std::move(key), BlockFormats{format, mark}).first->second;
}

std::size_t QtRichTextBox::BlockKeyHash::operator()(const BlockKey& key) const {
  std::size_t hash = CharFormatHash()(key.mark);
  hash = hash * 31 + static_cast<std::size_t>(key.para.alignment);
  hash = hash * 31 + static_cast<std::size_t>(key.para.indent);
  hash = hash * 31 + static_cast<std::size_t>(key.para.rightIndent);
  return hash * 2 + (key.para.bullet ? 1U : 0U);
}

void QtRichTextBox::InsertRuns(QTextCursor& cursor, const std::vector<TextRun>& runs) const {
  for (const TextRun& run : runs) {
    const QTextCharFormat format = ToQt(run.format);
    const std::u16string_view text = run.text;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (!NeedsStandIn(text[i])) {
        continue;
      }
      if (i > start) {
        cursor.insertText(ToQString(text.substr(start, i - start)), format);
      }
      cursor.insertText(QString(QChar(kStandInUnit)), StandInFormat(format, text[i]));
      start = i + 1;
    }
    if (start < text.size()) {
      cursor.insertText(ToQString(text.substr(start)), format);
    }
  }
}

// Writes the paragraphs from `first` on, which hold `old`, as `replacement`, touching only what
// differs: equal paragraphs at either end stay, a paragraph replaced by one keeps its unchanged
// beginning and end, and only a change in the number of paragraphs rewrites the blocks between.
void QtRichTextBox::WriteParagraphs(std::size_t first, const std::vector<Paragraph>& old,
                                    std::vector<Paragraph> replacement) {
  const OwnWrite own(writing_);
  std::optional<LazyLayout> lazy;
  if (ChangesMostOf(CharactersIn(old), TextLength())) {
    lazy.emplace(Doc());
  }
  const EditBlock batch(Doc());
  WriteChanges(first, old, replacement);
}

std::vector<Paragraph> QtRichTextBox::SpliceRange(std::size_t first, std::int32_t from,
                                                  std::size_t last, std::int32_t to,
                                                  std::vector<Paragraph> pieces) {
  const QTextBlock opening = BlockAt(first);
  const QTextBlock closing = BlockAt(last);
  const std::int32_t start = opening.position() + from;
  const std::int32_t end = closing.position() + to;
  std::vector<Paragraph> was;
  was.push_back(Paragraph{
      ParaFromBlock(opening),
      ReadRuns(opening, from, first == last ? to : std::numeric_limits<std::int32_t>::max()),
      MarkOf(opening)});
  if (first != last) {
    for (QTextBlock block = opening.next(); block.isValid() && block != closing;
         block = block.next()) {
      was.push_back(ReadParagraph(block));
    }
    was.push_back(Paragraph{ParaFromBlock(closing), ReadRuns(closing, 0, to), MarkOf(closing)});
  }
  const OwnWrite own(writing_);
  std::optional<LazyLayout> lazy;
  if (ChangesMostOf(end - start + CharactersIn(pieces), TextLength())) {
    lazy.emplace(Doc());
  }
  const EditBlock batch(Doc());
  QTextCursor cursor(&Doc());
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  InsertRuns(cursor, pieces.front().runs);
  // A block inserted in the middle of one takes the text after the cursor: the closing
  // paragraph gets the last piece's formats here, the opening one below.
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const BlockFormats& formats = ToQtBlock(pieces[i]);
    cursor.insertBlock(formats.block, formats.mark);
    InsertRuns(cursor, pieces[i].runs);
  }
  QTextCursor head(BlockAt(first));
  ApplyBlockFormat(head, pieces.front());
  return was;
}

void QtRichTextBox::WriteChanges(std::size_t first, const std::vector<Paragraph>& old,
                                 const std::vector<Paragraph>& replacement) {
  auto [lead, trail] = UnchangedParagraphs(old, replacement);
  std::size_t oldMiddle = old.size() - lead - trail;
  std::size_t newMiddle = replacement.size() - lead - trail;
  if (oldMiddle == newMiddle) {
    for (std::size_t k = 0; k < oldMiddle; ++k) {
      UpdateParagraph(first + lead + k, old[lead + k], replacement[lead + k]);
    }
    return;
  }
  if (oldMiddle == 0 || newMiddle == 0) {
    // Blocks are inserted or removed next to a kept one: rewrite that one with them.
    if (lead > 0) {
      --lead;
    } else {
      --trail;
    }
    ++oldMiddle;
    ++newMiddle;
  }
  RewriteRange(
      first + lead, first + lead + oldMiddle - 1,
      std::vector<Paragraph>(replacement.begin() + static_cast<std::ptrdiff_t>(lead),
                             replacement.begin() + static_cast<std::ptrdiff_t>(lead + newMiddle)));
}

void QtRichTextBox::RewriteRange(std::size_t first, std::size_t last,
                                 const std::vector<Paragraph>& replacement) {
  const QTextBlock firstBlock = BlockAt(first);
  const QTextBlock lastBlock = BlockAt(last);
  const EditBlock batch(Doc());
  QTextCursor cursor(&Doc());
  cursor.setPosition(firstBlock.position());
  cursor.setPosition(lastBlock.position() + lastBlock.length() - 1, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  for (std::size_t k = 0; k < replacement.size(); ++k) {
    if (k > 0) {
      const BlockFormats& formats = ToQtBlock(replacement[k]);
      cursor.insertBlock(formats.block, formats.mark);
    } else {
      ApplyBlockFormat(cursor, replacement[k]);
    }
    InsertRuns(cursor, replacement[k].runs);
  }
}

// The new paragraphs go in after the old ones, which then go: the editor's caret, put at the
// start, stays there. (Written in place, the new text would carry the caret's anchor to its end,
// and showing the caret at the start afterwards would lay out the whole document at once to
// redraw that old selection.)
void QtRichTextBox::ReplaceDocument(const std::vector<Paragraph>& paragraphs) {
  editor_->setTextCursor(QTextCursor(&Doc()));
  const EditBlock batch(Doc());
  QTextCursor cursor(&Doc());
  cursor.movePosition(QTextCursor::End);
  const int oldEnd = cursor.position();
  for (const Paragraph& paragraph : paragraphs) {
    // The block comes with its formats: one change of the document instead of three.
    const BlockFormats& formats = ToQtBlock(paragraph);
    cursor.insertBlock(formats.block, formats.mark);
    InsertRuns(cursor, paragraph.runs);
  }
  cursor.setPosition(0);
  cursor.setPosition(oldEnd + 1, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  // The first block kept the old first paragraph's formats.
  ApplyBlockFormat(cursor, paragraphs.front());
}

void QtRichTextBox::UpdateParagraph(std::size_t index, const Paragraph& old,
                                    const Paragraph& replacement) {
  const QTextBlock block = BlockAt(index);
  const EditBlock batch(Doc());
  QTextCursor cursor(block);
  if (!(old.format == replacement.format) || !(old.mark == replacement.mark)) {
    ApplyBlockFormat(cursor, replacement);
  }
  if (SameRuns(old, replacement)) {
    // Nothing to do for the text.
  } else if (SameText(old, replacement)) {
    // Only formats changed (bold over a selection, say): the text stays where it is, and each
    // run takes its format whole, as inserting it would give it. Setting a format Qt holds
    // already is one look-up for the run; merging would build and look up a format for every
    // piece of text under it.
    RestyleRuns(cursor, block.position(), old, replacement);
  } else {
    const auto oldLength = static_cast<std::size_t>(old.Length());
    const auto newLength = static_cast<std::size_t>(replacement.Length());
    // Kept ends never cut a surrogate pair: Qt's positions must not fall inside one.
    const auto [prefix, suffix] = UnchangedUnits(old, replacement);
    const int start = block.position();
    cursor.setPosition(start + static_cast<int>(prefix));
    cursor.setPosition(start + static_cast<int>(oldLength - suffix), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    InsertRuns(cursor, RunsBetween(replacement, static_cast<std::int32_t>(prefix),
                                   static_cast<std::int32_t>(newLength - suffix)));
  }
}

// Gives the runs of `replacement`, the same text as `old` from `start` on, their formats where
// they changed; a stand-in character keeps its own value beside the format.
void QtRichTextBox::RestyleRuns(QTextCursor& cursor, int start, const Paragraph& old,
                                const Paragraph& replacement) const {
  int at = start;
  std::size_t oldRun = 0;
  int oldEnd = start + (old.runs.empty() ? 0 : static_cast<int>(old.runs.front().text.size()));
  for (const TextRun& run : replacement.runs) {
    const int runStart = at;
    at += static_cast<int>(run.text.size());
    while (oldRun + 1 < old.runs.size() && oldEnd <= runStart) {
      ++oldRun;
      oldEnd += static_cast<int>(old.runs[oldRun].text.size());
    }
    // Kept: one old run of the same format holds the whole of this one.
    if (oldRun < old.runs.size() && oldEnd >= at && old.runs[oldRun].format == run.format) {
      continue;
    }
    const QTextCharFormat format = ToQt(run.format);
    cursor.setPosition(runStart);
    cursor.setPosition(at, QTextCursor::KeepAnchor);
    cursor.setCharFormat(format);
    for (std::size_t i = 0; i < run.text.size(); ++i) {
      if (NeedsStandIn(run.text[i])) {
        cursor.setPosition(runStart + static_cast<int>(i));
        cursor.setPosition(runStart + static_cast<int>(i) + 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(StandInFormat(format, run.text[i]));
      }
    }
  }
}

// Redraws every paragraph's margins after the bullet indent changed.
void QtRichTextBox::RefreshDisplayFormats() {
  const OwnWrite own(writing_);
  for (QTextBlock block = Doc().begin(); block.isValid(); block = block.next()) {
    if (block.blockFormat().boolProperty(kBulletProperty)) {
      QTextCursor cursor(block);
      Paragraph paragraph;
      paragraph.format = ParaFromBlock(block);
      paragraph.mark = MarkOf(block);
      ApplyBlockFormat(cursor, paragraph);
    }
  }
}

// A bulleted paragraph's text is indented by the bullet indent; the bullet goes in front of
// it, in the font and colour of the paragraph's first character.
void QtRichTextBox::PaintBullets(const QRect& area) const {
  const double bulletWidth = bulletIndent_ * PixelsPerTwip();
  const QPointF scroll(editor_->horizontalScrollBar()->value(),
                       editor_->verticalScrollBar()->value());
  QTextBlock block = editor_->cursorForPosition(area.topLeft()).block();
  if (block.previous().isValid()) {
    block = block.previous();
  }
  QPainter painter(editor_->viewport());
  for (; block.isValid(); block = block.next()) {
    const QTextLayout* layout = block.layout();
    if (layout == nullptr || layout->lineCount() == 0) {
      continue;
    }
    const QPointF origin = layout->position() - scroll;
    if (origin.y() > area.bottom()) {
      break;
    }
    if (!block.blockFormat().boolProperty(kBulletProperty)) {
      continue;
    }
    const QTextCharFormat format =
        block.begin().atEnd() ? block.charFormat() : block.begin().fragment().charFormat();
    const QTextLine line = layout->lineAt(0);
    painter.setFont(format.font());
    painter.setPen(format.foreground().color());
    painter.drawText(QPointF(origin.x() + line.cursorToX(0) - bulletWidth,
                             origin.y() + line.y() + line.ascent()),
                     QString(QChar(kBulletCharacter)));
  }
}

// ----- Positions -----

std::int32_t QtRichTextBox::ParagraphStart(std::size_t index) const {
  return BlockAt(index).position();
}

std::int32_t QtRichTextBox::ParagraphLength(std::size_t index) const {
  return BlockAt(index).length() - 1;
}

char16_t QtRichTextBox::UnitAt(std::int32_t position) const {
  return Doc().characterAt(position).unicode();
}

ParaFormat QtRichTextBox::ParagraphFormat(std::size_t index) const {
  return ParaFromBlock(BlockAt(index));
}

CharFormat QtRichTextBox::ParagraphMark(std::size_t index) const {
  return MarkOf(BlockAt(index));
}

QtRichTextBox::Location QtRichTextBox::Locate(std::int32_t position) const {
  position = std::clamp(position, 0, Doc().characterCount() - 1);
  const QTextBlock block = Doc().findBlock(position);
  return {static_cast<std::size_t>(block.blockNumber()),
          std::clamp(position - block.position(), 0, block.length() - 1)};
}

CharFormat QtRichTextBox::FormatAt(std::size_t paragraph, std::int32_t offset) const {
  const QTextBlock block = BlockAt(paragraph);
  std::int32_t at = 0;
  std::optional<QTextFragment> last;
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (!fragment.isValid()) {
      continue;
    }
    at += fragment.length();
    last = fragment;
    if (offset < at) {
      break;
    }
  }
  return last ? CachedFormat(*last) : MarkOf(block);
}

// ----- Whole document -----

std::string QtRichTextBox::TextRTF() const {
  RichDocument document;
  document.paragraphs = ReadParagraphs(0, ParagraphCount() - 1);
  return WriteRtf(document, fontName_, bulletIndent_);
}

void QtRichTextBox::SetTextRTF(std::string_view rtf) {
  const RichDocument document = ReadRtf(rtf, {DefaultFormat(), bulletIndent_});
  {
    const OwnWrite own(writing_);
    std::optional<LazyLayout> lazy;
    if (CharactersIn(document.paragraphs) >= kLazyLayoutCharacters) {
      lazy.emplace(Doc());
    }
    ReplaceDocument(document.paragraphs);
    // While the layout waits: a caret that rode to the end of the new text (a load into an empty
    // editor inserts at the caret) would otherwise be redrawn there, which lays out the whole
    // page at once.
    ShowSelection(0, 0);
  }
  EmptyUndoBuffer();
  ResetTypingFormat();
  RaiseSelChange();
}

std::u16string QtRichTextBox::Text() const {
  std::u16string text;
  text.reserve(static_cast<std::size_t>(TextLength()));
  for (QTextBlock block = Doc().begin(); block.isValid(); block = block.next()) {
    if (block != Doc().begin()) {
      text += u'\n';
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) {
        continue;
      }
      const QTextCharFormat format = fragment.charFormat();
      if (format.hasProperty(kStandInProperty)) {
        text.append(static_cast<std::size_t>(fragment.length()),
                    static_cast<char16_t>(format.intProperty(kStandInProperty)));
      } else {
        text += fragment.text().toStdU16String();
      }
    }
  }
  return text;
}

// ----- Selection -----

std::int32_t QtRichTextBox::SelStart() const {
  const QTextCursor cursor = editor_->textCursor();
  return std::min(cursor.anchor(), cursor.position());
}

std::int32_t QtRichTextBox::SelLength() const {
  const QTextCursor cursor = editor_->textCursor();
  return std::abs(cursor.position() - cursor.anchor());
}

// Selects in the editor without an event; the caret goes to the end.
void QtRichTextBox::ShowSelection(std::int32_t start, std::int32_t length) {
  const std::int32_t end = std::clamp(start + length, 0, TextLength());
  start = std::clamp(start, 0, TextLength());
  // Setting the editor's cursor scrolls to it, which lays out the document up to there: an
  // edit that keeps the selection leaves the view where it is.
  const QTextCursor current = editor_->textCursor();
  if (current.anchor() == start && current.position() == end) {
    return;
  }
  QTextCursor cursor(&Doc());
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  const OwnWrite own(writing_);
  editor_->setTextCursor(cursor);
}

void QtRichTextBox::RaiseSelChange() {
  reportedStart_ = SelStart();
  reportedLength_ = SelLength();
  ParagraphSurface::RaiseSelChange();
}

// The user moved the caret or the selection in the editor.
void QtRichTextBox::OnEditorSelectionChanged() {
  if (writing_ > 0 || (SelStart() == reportedStart_ && SelLength() == reportedLength_)) {
    return;
  }
  ResetTypingFormat();
  SealUndoStep();
  RaiseSelChange();
}

// ----- Editing -----

void QtRichTextBox::MoveSelection(std::int32_t position) {
  const std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  const std::int32_t end = start + length;
  position = AdjustBoundary(position);
  if (length == 0 || (position >= start && position <= end)) {
    return;
  }
  const std::string rtf = SelRTF();
  std::int32_t caret = 0;
  {
    const UndoStep step(*this);
    Splice(start, end, RichDocument{});
    const std::int32_t target = position > end ? position - length : position;
    caret = Splice(target, target, ReadRtf(rtf, {DefaultFormat(), bulletIndent_}));
  }
  ShowSelection(caret, 0);
  ResetTypingFormat();
  RaiseSelChange();
}

void QtRichTextBox::DeleteTo(const QTextCursor& target) {
  if (!target.hasSelection()) {
    return;
  }
  const std::int32_t from = AdjustBoundary(target.selectionStart());
  ShowSelection(from, AdjustBoundary(target.selectionEnd()) - from);
  SetSelText(u"");
}

// ----- Defaults, placement, focus -----

void QtRichTextBox::SetFontName(std::string_view face) {
  fontName_ = face;
  formatCache_.clear();  // a format without a face reads as the default
  blockCache_.clear();
  Doc().setDefaultFont(QFont(QString::fromStdString(fontName_), Doc().defaultFont().pointSize()));
  // An empty document has nothing to keep: what is typed first takes the new default.
  if (TextLength() == 0) {
    Paragraph paragraph = ReadParagraph(Doc().begin());
    paragraph.mark = DefaultFormat();
    const OwnWrite own(writing_);
    QTextCursor cursor(Doc().begin());
    ApplyBlockFormat(cursor, paragraph);
  }
}

void QtRichTextBox::SetFontSize(double points) {
  fontSize_ = points;
  formatCache_.clear();
  blockCache_.clear();
  if (points > 0) {
    QFont font = Doc().defaultFont();
    font.setPointSizeF(points);
    Doc().setDefaultFont(font);
  }
  if (TextLength() == 0) {
    Paragraph paragraph = ReadParagraph(Doc().begin());
    paragraph.mark = DefaultFormat();
    const OwnWrite own(writing_);
    QTextCursor cursor(Doc().begin());
    ApplyBlockFormat(cursor, paragraph);
  }
}

void QtRichTextBox::SetBackColor(std::int32_t color) {
  backColor_ = color;
  QPalette palette = editor_->palette();
  palette.setColor(QPalette::Base, ColorFromPlatform(color));
  editor_->setPalette(palette);
}

void QtRichTextBox::SetBulletIndent(std::int32_t twips) {
  bulletIndent_ = twips;
  toQtBlockCache_.clear();  // the bullet's room is in the margins
  RefreshDisplayFormats();
}

std::int32_t QtRichTextBox::Width() const {
  const int pixels = editor_->width();
  if (pixels == widthPixels_) {
    return widthTwips_;
  }
  return pixels * TwipsPerPixel(false);
}

void QtRichTextBox::Move(std::int32_t left, std::int32_t top, std::int32_t width,
                         std::int32_t height) {
  const auto pixels = [](std::int32_t twips, std::int32_t perPixel) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / perPixel));
  };
  const std::int32_t across = TwipsPerPixel(false);
  const std::int32_t down = TwipsPerPixel(true);
  editor_->setGeometry(pixels(left, across), pixels(top, down), pixels(width, across),
                       pixels(height, down));
  widthTwips_ = width;
  widthPixels_ = editor_->width();
}

void QtRichTextBox::SetFocus() {
  const int before = focusEvents_;
  editor_->setFocus(Qt::OtherFocusReason);
  if (focusEvents_ != before) {
    return;  // the focus-in event raised it
  }
  // Already focused, or the window is hidden or inactive: the focus-in, if it comes, comes
  // later and must not raise the event a second time.
  focusRaisedEarly_ = !editor_->hasFocus();
  RaiseGotFocus();
}

void QtRichTextBox::OnEditorFocusIn(Qt::FocusReason reason) {
  ++focusEvents_;
  // The focus SetFocus asked for while the window was hidden or inactive arrives with the
  // window's activation; SetFocus has raised the event for it already.
  const bool deferred =
      std::exchange(focusRaisedEarly_, false) && reason == Qt::ActiveWindowFocusReason;
  // A popup menu closing gives the focus back: the surface never lost it in the user's eyes.
  if (deferred || reason == Qt::PopupFocusReason) {
    return;
  }
  RaiseGotFocus();
}

// ----- Keyboard and clipboard -----

void QtRichTextBox::RunShortcut(SurfaceShortcut shortcut) {
  if (shortcut_ && shortcut_(shortcut)) {
    return;
  }
  switch (shortcut) {
    case SurfaceShortcut::kBold:
    case SurfaceShortcut::kItalic:
    case SurfaceShortcut::kUnderline:
      ToggleStyle(shortcut);
      break;
    case SurfaceShortcut::kCut:
      Cut();
      break;
    case SurfaceShortcut::kCopy:
      Copy();
      break;
    case SurfaceShortcut::kPaste:
      Paste();
      break;
    case SurfaceShortcut::kHyperlink:
      break;  // the owner's dialog: nothing to do without one
  }
}

void QtRichTextBox::ToggleStyle(SurfaceShortcut style) {
  switch (style) {
    case SurfaceShortcut::kBold:
      SetSelBold(SelBold() != true);
      break;
    case SurfaceShortcut::kItalic:
      SetSelItalic(SelItalic() != true);
      break;
    case SurfaceShortcut::kUnderline:
      SetSelUnderline(SelUnderline() != true);
      break;
    default:
      break;
  }
}

std::unique_ptr<QMimeData> QtRichTextBox::SelectionMimeData() const {
  auto data = std::make_unique<QMimeData>();
  const std::string rtf = SelRTF();
  const QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
  for (const char* type : kRtfMimeTypes) {
    data->setData(QString::fromLatin1(type), bytes);
  }
  data->setText(ToQString(SelText()));
  // Other programs take rich text as HTML most often; the HTML5 form is what they read best.
  data->setHtml(ToQString(RtfToHtml5(
      rtf, {.defaultFace = fontName_, .defaultPoints = FontSize(), .page = Html5Page::kFragment})));
  return data;
}

void QtRichTextBox::Copy() const {
  if (SelLength() == 0) {
    return;
  }
  QGuiApplication::clipboard()->setMimeData(SelectionMimeData().release());
}

void QtRichTextBox::Cut() {
  if (SelLength() == 0) {
    return;
  }
  Copy();
  SetSelText(u"");
}

void QtRichTextBox::Paste() {
  if (const QMimeData* data = QGuiApplication::clipboard()->mimeData()) {
    InsertMimeData(*data);
  }
}

bool QtRichTextBox::CanInsertMimeData(const QMimeData& data) {
  for (const char* type : kRtfMimeTypes) {
    if (data.hasFormat(QString::fromLatin1(type))) {
      return true;
    }
  }
  return data.hasText() || data.hasHtml() || data.hasUrls();
}

bool QtRichTextBox::InsertMimeData(const QMimeData& data) {
  // A paste or a drop is a step of its own, even of one character: never part of the typing.
  const UndoStep step(*this);
  for (const char* type : kRtfMimeTypes) {
    const QString name = QString::fromLatin1(type);
    if (data.hasFormat(name)) {
      const QByteArray rtf = data.data(name);
      SetSelRTF(std::string_view(rtf.constData(), static_cast<std::size_t>(rtf.size())));
      return true;
    }
  }
  if (data.hasHtml()) {
    // Read as a page is read: the formatting the surface can hold, links and pictures as marker
    // runs. A context of its own leaves the document tables of TextHTML alone.
    ConversionContext context;
    const std::string html = ToStdString(data.html());
    RichDocument fragment = ReadRtf(BuildHtmlDocument(fontName_, ReadHtmlToRtf(html, context)),
                                    {DefaultFormat(), bulletIndent_});
    // A page's last block is closed: a list item or a centred paragraph pasted into a paragraph
    // would run on into it and take its format (the last item of a pasted list lost its
    // bullet). Such a block keeps its own, and what followed the caret starts a paragraph.
    if (!fragment.paragraphs.empty() && fragment.paragraphs.back().format != ParaFormat{}) {
      Paragraph after;
      after.mark = fragment.paragraphs.back().mark;
      fragment.paragraphs.push_back(std::move(after));
    }
    SetSelDocument(std::move(fragment));
    return true;
  }
  QString text;
  if (data.hasText()) {
    text = data.text();
  } else if (data.hasUrls()) {
    QStringList addresses;
    for (const QUrl& url : data.urls()) {
      addresses.push_back(url.toString());
    }
    text = addresses.join(u'\n');
  } else {
    return false;
  }
  // The surface has paragraphs only: any line or paragraph separator breaks the paragraph.
  text.replace(QChar::ParagraphSeparator, u'\n');
  text.replace(QChar::LineSeparator, u'\n');
  SetSelText(text.toStdU16String());
  return true;
}

}  // namespace scrivlet
