#include "qt/qt_rich_text_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "conversion/conversion_context.h"
#include "conversion/rtf_to_html.h"
#include "hosts/headless/memory_rich_text_box.h"
#include "platform/rich_text_box_contract.h"
#include "support/marker_invariants.h"

namespace scrivlet {

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, RichTextBoxContract, QtRichTextBox);

namespace {

std::string Utf8(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()))
      .toStdString();
}

template <typename T>
std::string Show(const std::optional<T>& value) {
  if (!value) {
    return "mixed";
  }
  std::ostringstream out;
  if constexpr (std::is_same_v<T, Alignment>) {
    out << static_cast<int>(*value);
  } else {
    out << *value;
  }
  return out.str();
}

// The first observable difference between two surfaces, or nothing.
std::optional<std::string> Difference(const RichTextBox& expected, const RichTextBox& actual) {
  std::vector<std::pair<std::string, std::pair<std::string, std::string>>> values = {
      {"Text", {Utf8(expected.Text()), Utf8(actual.Text())}},
      {"TextRTF", {expected.TextRTF(), actual.TextRTF()}},
      {"SelStart", {std::to_string(expected.SelStart()), std::to_string(actual.SelStart())}},
      {"SelLength", {std::to_string(expected.SelLength()), std::to_string(actual.SelLength())}},
      {"SelRTF", {expected.SelRTF(), actual.SelRTF()}},
      {"CanUndo", {std::to_string(expected.CanUndo()), std::to_string(actual.CanUndo())}},
      {"CanRedo", {std::to_string(expected.CanRedo()), std::to_string(actual.CanRedo())}},
      {"SelBold", {Show(expected.SelBold()), Show(actual.SelBold())}},
      {"SelItalic", {Show(expected.SelItalic()), Show(actual.SelItalic())}},
      {"SelUnderline", {Show(expected.SelUnderline()), Show(actual.SelUnderline())}},
      {"SelColor", {Show(expected.SelColor()), Show(actual.SelColor())}},
      {"SelFontName", {Show(expected.SelFontName()), Show(actual.SelFontName())}},
      {"SelFontSize", {Show(expected.SelFontSize()), Show(actual.SelFontSize())}},
      {"SelBullet", {Show(expected.SelBullet()), Show(actual.SelBullet())}},
      {"SelAlignment", {Show(expected.SelAlignment()), Show(actual.SelAlignment())}},
      {"SelIndent", {Show(expected.SelIndent()), Show(actual.SelIndent())}},
      {"SelRightIndent", {Show(expected.SelRightIndent()), Show(actual.SelRightIndent())}},
  };
  for (const auto& [name, pair] : values) {
    if (pair.first != pair.second) {
      return name + "\n  memory: " + pair.first + "\n  qt:     " + pair.second;
    }
  }
  return std::nullopt;
}

// A random editing session played on both surfaces at once.
class Session {
 public:
  explicit Session(std::uint32_t seed) : random_(seed) {}

  // Whether text typed at a caret outside every marker ever landed in a marker's format. A
  // format the session set at the caret itself (it may forge one) suspends the check until the
  // caret moves.
  bool TypedIntoMarker() const { return typedIntoMarker_; }

  // Chooses the next step; returns its description.
  std::string Next(MemoryRichTextBox& memory, QtRichTextBox& qt) {
    const auto length = static_cast<std::int32_t>(memory.Text().size());
    const auto both = [&](const std::function<void(RichTextBox&)>& step) {
      step(memory);
      step(qt);
    };
    switch (Pick(20)) {
      case 0:
      case 1:
      case 2: {
        const std::int32_t start = Between(-1, length + 1);
        const std::int32_t selected = Between(-1, length - start + 2);
        both([&](RichTextBox& s) {
          s.SetSelStart(start);
          s.SetSelLength(selected);
        });
        formatSet_ = false;
        return "Select(" + std::to_string(start) + ", " + std::to_string(selected) + ")";
      }
      case 3:
      case 4:
      case 5: {
        const std::u16string text = RandomText();
        const std::int32_t caret = memory.SelStart();
        const bool checked = !formatSet_ && memory.SelLength() == 0 &&
                             text.find_first_of(u"\r\n\u2029") == std::u16string::npos;
        const bool aimed = checks::AimsIntoMarker(memory.Paragraphs(), caret);
        both([&](RichTextBox& s) { s.SetSelText(text); });
        const std::int32_t end = memory.SelStart();
        const auto typed = static_cast<std::int32_t>(text.size());
        if (checked && !aimed && checks::HasMarkerText(memory.Paragraphs(), end - typed, end)) {
          typedIntoMarker_ = true;
        }
        return "SetSelText(\"" + Escape(text) + "\")";
      }
      case 17: {
        // A hyperlink or a picture, as the commands insert them, to type around.
        static constexpr const char* kMarkers[] = {
            "{\\rtf1{\\colortbl;\\red192\\green192\\blue192;\\red0\\green0\\blue255;}"
            "\\cf1\\i\\ul http://x.org/\\cf2\\i0 link}",
            "{\\rtf1{\\colortbl;\\red192\\green192\\blue192;}\\cf1\\i\\fs16 <IMG SRC='a.gif'>}",
        };
        const std::string rtf = kMarkers[Pick(2)];
        both([&](RichTextBox& s) { s.SetSelRTF(rtf); });
        return "SetSelRTF(" + rtf + ")";
      }
      case 18:
        both([](RichTextBox& s) { s.Redo(); });
        formatSet_ = false;
        return "Redo()";
      case 19:
        if (Pick(2) == 0) {
          memory.DeleteBackward();
          qt.DeleteBackward();
          return "DeleteBackward()";
        }
        memory.DeleteForward();
        qt.DeleteForward();
        return "DeleteForward()";
      case 6: {
        formatSet_ = formatSet_ || memory.SelLength() == 0;
        const bool on = Pick(2) == 0;
        switch (Pick(3)) {
          case 0:
            both([&](RichTextBox& s) { s.SetSelBold(on); });
            return "SetSelBold(" + std::to_string(on) + ")";
          case 1:
            both([&](RichTextBox& s) { s.SetSelItalic(on); });
            return "SetSelItalic(" + std::to_string(on) + ")";
          default:
            both([&](RichTextBox& s) { s.SetSelUnderline(on); });
            return "SetSelUnderline(" + std::to_string(on) + ")";
        }
      }
      case 7: {
        formatSet_ = formatSet_ || memory.SelLength() == 0;
        static constexpr std::int32_t kColors[] = {0, 0x0000FF, 0xC0C0C0, 0x123456};
        const std::int32_t color = kColors[Pick(4)];
        both([&](RichTextBox& s) { s.SetSelColor(color); });
        return "SetSelColor(" + std::to_string(color) + ")";
      }
      case 8: {
        static const char* const kFaces[] = {"Arial", "Georgia", "Courier New", "Caf\xC3\xA9"};
        const std::string face = kFaces[Pick(4)];
        both([&](RichTextBox& s) { s.SetSelFontName(face); });
        return "SetSelFontName(" + face + ")";
      }
      case 9: {
        static constexpr double kSizes[] = {8, 10.5, 12, 24};
        const double size = kSizes[Pick(4)];
        both([&](RichTextBox& s) { s.SetSelFontSize(size); });
        return "SetSelFontSize(" + std::to_string(size) + ")";
      }
      case 10: {
        switch (Pick(4)) {
          case 0: {
            const bool on = Pick(2) == 0;
            both([&](RichTextBox& s) { s.SetSelBullet(on); });
            return "SetSelBullet(" + std::to_string(on) + ")";
          }
          case 1: {
            const auto alignment = static_cast<Alignment>(Pick(3));
            both([&](RichTextBox& s) { s.SetSelAlignment(alignment); });
            return "SetSelAlignment(" + std::to_string(static_cast<int>(alignment)) + ")";
          }
          case 2: {
            const std::int32_t twips = Pick(4) * 360;
            both([&](RichTextBox& s) { s.SetSelIndent(twips); });
            return "SetSelIndent(" + std::to_string(twips) + ")";
          }
          default: {
            const std::int32_t twips = Pick(3) * 240;
            both([&](RichTextBox& s) { s.SetSelRightIndent(twips); });
            return "SetSelRightIndent(" + std::to_string(twips) + ")";
          }
        }
      }
      case 11:
        copied_ = memory.SelRTF();
        return "copy SelRTF: " + copied_;
      case 12:
        both([&](RichTextBox& s) { s.SetSelRTF(copied_); });
        return "SetSelRTF(copied)";
      case 13:
      case 14:
        both([](RichTextBox& s) { s.Undo(); });
        formatSet_ = false;
        return "Undo()";
      case 15: {
        // The surface's defaults: what plain RTF and an empty document take, and the bullet's
        // share of \\li.
        switch (Pick(3)) {
          case 0: {
            const std::string face = Pick(2) == 0 ? "Verdana" : "Arial";
            both([&](RichTextBox& s) { s.SetFontName(face); });
            return "SetFontName(" + face + ")";
          }
          case 1: {
            const double size = Pick(2) == 0 ? 10 : 12;
            both([&](RichTextBox& s) { s.SetFontSize(size); });
            return "SetFontSize(" + std::to_string(size) + ")";
          }
          default: {
            const std::int32_t twips = Pick(2) == 0 ? 360 : 720;
            both([&](RichTextBox& s) { s.SetBulletIndent(twips); });
            return "SetBulletIndent(" + std::to_string(twips) + ")";
          }
        }
      }
      default:
        if (Pick(2) == 0) {
          both([](RichTextBox& s) { s.EmptyUndoBuffer(); });
          return "EmptyUndoBuffer()";
        }
        {
          const std::string rtf = memory.TextRTF();
          both([&](RichTextBox& s) { s.SetTextRTF(rtf); });
          return "SetTextRTF(TextRTF())";
        }
    }
  }

 private:
  int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
  std::int32_t Between(std::int32_t low, std::int32_t high) {
    return std::uniform_int_distribution<std::int32_t>(low, std::max(low, high))(random_);
  }

  std::u16string RandomText() {
    // Breaks of every kind, a surrogate pair, escapes the RTF writer handles specially, and
    // units QTextDocument would read as breaks.
    static const char16_t* const kPieces[] = {
        u"a", u"bc", u" ",          u"word", u"\n",     u"\r\n",   u"\r",     u"\t",
        u"é", u"—",  u"\U0001F600", u"{\\}", u"\u00a0", u"\u2029", u"\uFFFC", u"x y",
    };
    std::u16string text;
    for (int n = Pick(4); n > 0; --n) {
      text += kPieces[Pick(static_cast<int>(std::size(kPieces)))];
    }
    return text;
  }

  static std::string Escape(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
      if (c >= 0x20 && c < 0x7F) {
        out += static_cast<char>(c);
      } else {
        out += "\\u" + std::to_string(static_cast<int>(c)) + " ";
      }
    }
    return out;
  }

  std::mt19937 random_;
  std::string copied_;
  bool typedIntoMarker_ = false;
  bool formatSet_ = false;
};

TEST(QtRichTextBoxDifferential, RandomSessionsMatchTheHeadlessSurfaceStepByStep) {
  constexpr std::uint32_t kSessions = 60;
  constexpr int kSteps = 80;
  for (std::uint32_t seed = 1; seed <= kSessions; ++seed) {
    MemoryRichTextBox memory;
    QtRichTextBox qt;
    Session session(seed);
    std::vector<std::string> steps;
    for (int i = 0; i < kSteps; ++i) {
      steps.push_back(session.Next(memory, qt));
      ConversionContext context;
      std::optional<std::string> difference = Difference(memory, qt);
      if (!difference && session.TypedIntoMarker()) {
        difference = "text typed beside a marker joined it";
      }
      if (const std::string fault = checks::AnchorFault(RtfToHtml(memory.TextRTF(), context));
          !difference && !fault.empty()) {
        difference = fault;
      }
      if (difference) {
        std::string history;
        for (std::size_t k = 0; k < steps.size(); ++k) {
          history += "  " + std::to_string(k) + ": " + steps[k] + "\n";
        }
        ADD_FAILURE() << "seed " << seed << ", step " << i << ": " << *difference << "\nsteps:\n"
                      << history;
        break;
      }
    }
  }
}

// A change of most of a large document takes another path (the layout is redone lazily, and a
// change of formats only keeps the text in place): it must give what the headless surface gives,
// stand-in characters included, and leave the editor laid out once the events are processed.
TEST(QtRichTextBoxDifferential, ChangesOfMostOfALargeDocumentMatchTheHeadlessSurface) {
  std::string rtf = "{\\rtf1\\pard ";
  for (int i = 0; i < 4000; ++i) {
    rtf += "Line " + std::to_string(i) + " with \\b bold\\b0 , a tab\\tab and \\u8233? text\\par ";
  }
  rtf += "}";
  MemoryRichTextBox memory;
  QtRichTextBox qt;
  qt.Editor()->resize(400, 300);
  qt.Editor()->show();
  const auto both = [&](const std::function<void(RichTextBox&)>& step) {
    step(memory);
    step(qt);
    QApplication::processEvents();
    return Difference(memory, qt);
  };
  EXPECT_EQ(both([&](RichTextBox& s) { s.SetTextRTF(rtf); }), std::nullopt);
  ASSERT_GT(memory.Text().size(), 100000U);
  EXPECT_EQ(both([](RichTextBox& s) {
              s.SetSelStart(0);
              s.SetSelLength(std::numeric_limits<std::int32_t>::max());
              s.SetSelBold(true);
            }),
            std::nullopt);
  EXPECT_EQ(both([](RichTextBox& s) { s.SetSelItalic(true); }), std::nullopt);
  EXPECT_EQ(both([](RichTextBox& s) { s.Undo(); }), std::nullopt);
  EXPECT_EQ(both([](RichTextBox& s) { s.SetSelText(u"replaced"); }), std::nullopt);
  EXPECT_EQ(both([](RichTextBox& s) { s.Undo(); }), std::nullopt);
  EXPECT_FALSE(qt.Editor()->document()->pageSize().isNull());
  EXPECT_GT(qt.Editor()->document()->size().height(), 1000.0);
}

// ----- The editor: keyboard, clipboard, drag and drop -----

class QtRichTextBoxEditor : public testing::Test {
 protected:
  void SetUp() override {
    QGuiApplication::clipboard()->clear();
    editor().resize(400, 300);
    editor().show();
  }

  QTextEdit& editor() { return *surface.Editor(); }
  void Type(const QString& text) { QTest::keyClicks(&editor(), text); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&editor(), key, modifiers);
  }
  void Select(std::int32_t start, std::int32_t length) {
    surface.SetSelStart(start);
    surface.SetSelLength(length);
  }
  const QMimeData& Clipboard() { return *QGuiApplication::clipboard()->mimeData(); }
  // A point in the editor's viewport over the caret position `position`.
  QPoint PointAt(std::int32_t position) {
    QTextCursor cursor(editor().document());
    cursor.setPosition(position);
    return editor().cursorRect(cursor).center();
  }
  void Drop(QMimeData& data, QPoint at) {
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor().viewport(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor().viewport(), &drop);
  }

  QtRichTextBox surface;
};

// Keys on the Qt editor, the same edits by code on the headless surface: after every step the
// two read the same.
TEST_F(QtRichTextBoxEditor, KeysEditAsTheSameEditsByCodeDo) {
  MemoryRichTextBox reference;
  int events = 0;
  surface.SetSelChangeHandler([&] { ++events; });
  int step = 0;
  const auto both = [&](const std::function<void()>& keys,
                        const std::function<void(RichTextBox&)>& code) {
    keys();
    code(reference);
    const auto difference = Difference(reference, surface);
    EXPECT_FALSE(difference) << "step " << step << ": " << *difference;
    ++step;
  };
  const auto select = [&](std::int32_t start, std::int32_t length) {
    Select(start, length);
    reference.SetSelStart(start);
    reference.SetSelLength(length);
  };
  const auto text = [](std::u16string_view typed) {
    return [typed](RichTextBox& s) { s.SetSelText(typed); };
  };
  both([&] { Type("plain "); }, text(u"plain "));
  EXPECT_EQ(events, 6);  // one per key, not one per Qt signal
  both([&] { Key(Qt::Key_B, Qt::ControlModifier); }, [](RichTextBox& s) { s.SetSelBold(true); });
  both([&] { Type("bold"); }, text(u"bold"));
  both([&] { Key(Qt::Key_Return); }, text(u"\n"));
  both([&] { Key(Qt::Key_Return, Qt::ShiftModifier); }, text(u"\n"));  // no soft line break
  both(
      [&] {
        QKeyEvent emoji(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf16(u"\U0001F600"));
        QApplication::sendEvent(&editor(), &emoji);
      },
      text(u"\U0001F600"));
  both([&] { Key(Qt::Key_Backspace); },
       [&](RichTextBox&) { reference.DeleteBackward(); });  // the pair
  both([&] { Key(Qt::Key_Tab); }, text(u"\t"));
  select(0, 5);
  both([&] { Key(Qt::Key_I, Qt::ControlModifier); }, [](RichTextBox& s) { s.SetSelItalic(true); });
  both([&] { Key(Qt::Key_U, Qt::ControlModifier); },
       [](RichTextBox& s) { s.SetSelUnderline(true); });
  both([&] { Type("X"); }, text(u"X"));
  select(7, 0);
  both([&] { Key(Qt::Key_Backspace); },
       [&](RichTextBox&) { reference.DeleteBackward(); });  // a break
  select(6, 0);                                             // a caret move ends the undo step
  both([&] { Key(Qt::Key_Delete); }, [&](RichTextBox&) { reference.DeleteForward(); });
  both([&] { Key(Qt::Key_Z, Qt::ControlModifier); }, [](RichTextBox& s) { s.Undo(); });
  // Each break is a paragraph of the Qt document.
  EXPECT_EQ(editor().document()->blockCount(), std::ranges::count(surface.Text(), u'\n') + 1);
}

TEST_F(QtRichTextBoxEditor, StyleKeysAskTheOwnerFirst) {
  Type("word");
  Select(0, 4);
  std::vector<SurfaceShortcut> asked;
  bool handled = true;
  surface.SetShortcutHandler([&](SurfaceShortcut shortcut) {
    asked.push_back(shortcut);
    return handled;
  });
  Key(Qt::Key_B, Qt::ControlModifier);
  Key(Qt::Key_I, Qt::ControlModifier);
  Key(Qt::Key_U, Qt::ControlModifier);
  Key(Qt::Key_C, Qt::ControlModifier);
  Key(Qt::Key_X, Qt::ControlModifier);
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(asked,
            (std::vector<SurfaceShortcut>{SurfaceShortcut::kBold, SurfaceShortcut::kItalic,
                                          SurfaceShortcut::kUnderline, SurfaceShortcut::kCopy,
                                          SurfaceShortcut::kCut, SurfaceShortcut::kPaste}));
  EXPECT_EQ(surface.SelBold(), false);  // the owner handled them
  EXPECT_EQ(surface.Text(), u"word");

  handled = false;  // the owner declines: the surface toggles
  Key(Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(surface.SelBold(), true);
  Key(Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(surface.SelBold(), false);
  Select(0, 2);
  surface.SetSelItalic(true);
  Select(0, 4);
  Key(Qt::Key_I, Qt::ControlModifier);  // mixed becomes all italic
  EXPECT_EQ(surface.SelItalic(), true);
}

TEST_F(QtRichTextBoxEditor, CopyPutsRtfUnderBothNamesHtmlAndPlainText) {
  surface.SetSelText(u"one\ntwo");
  Select(2, 3);
  surface.SetSelBold(true);
  Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData& data = Clipboard();
  const QByteArray rtf = QByteArray::fromStdString(surface.SelRTF());
  EXPECT_EQ(data.data("text/rtf"), rtf);
  EXPECT_EQ(data.data("application/rtf"), rtf);
  EXPECT_EQ(data.text(), QString("e\nt"));
  EXPECT_EQ(data.html().toStdString(),
            std::string("<div style=\"font-family:'Arial';font-size:12pt\">\n"
                        "<p><strong>e</strong></p>\n<p><strong>t</strong></p>\n</div>"));
  EXPECT_EQ(surface.Text(), u"one\ntwo");

  Select(0, 0);
  QGuiApplication::clipboard()->setText("kept");
  Key(Qt::Key_C, Qt::ControlModifier);  // nothing selected: the clipboard stays
  EXPECT_EQ(Clipboard().text(), QString("kept"));
}

TEST_F(QtRichTextBoxEditor, HtmlPastesAndDropsThroughTheReader) {
  // As a browser copies: HTML beside its plain text, with a table, a link and a picture.
  auto html = std::make_unique<QMimeData>();
  html->setHtml(
      "<meta charset='utf-8'><table><tr><td><b>cell</b></td><td>two</td></tr></table>"
      "<p><i>after</i> <a href=\"http://e.com/\">link</a><img src=\"x.png\"></p>");
  html->setText("cell two after link");
  QGuiApplication::clipboard()->setMimeData(html.release());
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(surface.Text(), u"cell\ttwo\nafter http://e.com/link<IMG SRC='x.png'>");
  Select(0, 4);
  EXPECT_EQ(surface.SelBold(), true);
  Select(9, 5);
  EXPECT_EQ(surface.SelItalic(), true);
  Select(28, 4);  // the link's text
  EXPECT_EQ(surface.SelUnderline(), true);
  EXPECT_EQ(surface.SelColor(), 0xFF0000);
  // One frame, no tables, no images: only paragraphs of text.
  EXPECT_TRUE(editor().document()->rootFrame()->childFrames().isEmpty());
  EXPECT_EQ(editor().document()->toRawText().indexOf(QChar::ObjectReplacementCharacter), -1);

  // The last item of a pasted list keeps its bullet; the text after the caret starts a paragraph.
  surface.SetTextRTF("");
  surface.SetSelText(u"x\n");
  auto list = std::make_unique<QMimeData>();
  list->setHtml("<ul><li>a</li><li>b</li></ul>");
  QGuiApplication::clipboard()->setMimeData(list.release());
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(surface.Text(), u"x\na\nb\n");
  Select(4, 0);
  EXPECT_EQ(surface.SelBullet(), true);
  Select(6, 0);
  EXPECT_EQ(surface.SelBullet(), false);

  surface.SetTextRTF("");
  QMimeData dropped;
  dropped.setHtml("<p>x <strong>y</strong></p>");
  Drop(dropped, PointAt(0));
  EXPECT_EQ(surface.Text(), u"x y");
  Select(2, 1);
  EXPECT_EQ(surface.SelBold(), true);
  auto image = std::make_unique<QMimeData>();
  image->setImageData(QImage(4, 4, QImage::Format_RGB32));
  EXPECT_FALSE(QtRichTextBox::CanInsertMimeData(*image));
  const std::u16string before = surface.Text();
  EXPECT_FALSE(surface.InsertMimeData(*image));
  EXPECT_EQ(surface.Text(), before);
}

TEST_F(QtRichTextBoxEditor, DropsInsertAtThePointer) {
  surface.SetSelText(u"start end");
  QMimeData text;
  text.setText("middle ");
  Drop(text, PointAt(6));
  EXPECT_EQ(surface.Text(), u"start middle end");

  QtRichTextBox source;
  source.SetSelText(u"BOLD");
  source.SetSelStart(0);
  source.SetSelLength(4);
  source.SetSelBold(true);
  const std::unique_ptr<QMimeData> rich = source.SelectionMimeData();
  Drop(*rich, PointAt(0));
  EXPECT_EQ(surface.Text(), u"BOLDstart middle end");
  Select(0, 4);
  EXPECT_EQ(surface.SelBold(), true);
}

TEST_F(QtRichTextBoxEditor, MovingTheSelectionIsOneUndoableChange) {
  surface.SetSelText(u"one\ntwo\nthree");
  Select(4, 4);  // "two\n"
  surface.SetSelAlignment(Alignment::kCenter);
  surface.MoveSelection(0);
  EXPECT_EQ(surface.Text(), u"two\none\nthree");
  EXPECT_EQ(surface.SelStart(), 4);
  surface.SetSelStart(0);
  EXPECT_EQ(surface.SelAlignment(), Alignment::kCenter);
  surface.Undo();
  EXPECT_EQ(surface.Text(), u"one\ntwo\nthree");
  EXPECT_EQ(surface.SelStart(), 4);
  EXPECT_EQ(surface.SelLength(), 4);

  surface.MoveSelection(13);  // to the end, after the text it leaves
  EXPECT_EQ(surface.Text(), u"one\nthreetwo\n");
  surface.Undo();
  surface.MoveSelection(5);  // inside the selection: nothing
  EXPECT_EQ(surface.Text(), u"one\ntwo\nthree");
}

TEST_F(QtRichTextBoxEditor, AReadOnlyEditorOnlyCopies) {
  surface.SetSelText(u"fixed");
  editor().setReadOnly(true);
  surface.SetSelStart(5);
  Type("x");
  Key(Qt::Key_Backspace);
  Key(Qt::Key_Return);
  QGuiApplication::clipboard()->setText("pasted");
  Key(Qt::Key_V, Qt::ControlModifier);
  QMimeData text;
  text.setText("dropped");
  Drop(text, PointAt(0));
  EXPECT_EQ(surface.Text(), u"fixed");

  Select(4, 1);
  Key(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(Clipboard().text(), QString("d"));
  surface.SetSelText(u"D");  // code still edits
  EXPECT_EQ(surface.Text(), u"fixeD");
}

TEST_F(QtRichTextBoxEditor, InputMethodTextIsTypedThroughTheSurface) {
  surface.SetSelText(u"ab");
  surface.SetSelStart(1);
  surface.SetSelBold(true);
  QInputMethodEvent compose(QString("x"), {});
  QApplication::sendEvent(&editor(), &compose);
  EXPECT_EQ(surface.Text(), u"ab");  // composing changes nothing yet
  QInputMethodEvent commit;
  commit.setCommitString(QString::fromUtf16(u"\u00e9"));
  QApplication::sendEvent(&editor(), &commit);
  EXPECT_EQ(surface.Text(), u"a\u00e9b");
  Select(1, 1);
  EXPECT_EQ(surface.SelBold(), true);
  surface.Undo();
  EXPECT_EQ(surface.Text(), u"ab");
}

TEST(QtRichTextBoxFocus, GotFocusIsRaisedOnceWhetherTheFocusArrivesNowOrLater) {
  QWidget window;
  QLineEdit other(&window);
  QtRichTextBox surface(&window);
  surface.Move(0, 600, 3000, 1500);
  window.show();
  QApplication::setActiveWindow(&window);
  other.setFocus();
  int focus = 0;
  surface.SetGotFocusHandler([&] { ++focus; });
  surface.SetFocus();  // the focus-in arrives during the call
  EXPECT_TRUE(surface.Editor()->hasFocus());
  EXPECT_EQ(focus, 1);
  surface.SetFocus();  // already focused: raised by the call, as on every surface
  EXPECT_EQ(focus, 2);
  other.setFocus();
  surface.Editor()->setFocus(Qt::TabFocusReason);  // the user comes back
  EXPECT_EQ(focus, 3);

  QtRichTextBox hidden;
  int hiddenFocus = 0;
  hidden.SetGotFocusHandler([&] { ++hiddenFocus; });
  hidden.SetFocus();
  EXPECT_EQ(hiddenFocus, 1);
  hidden.Editor()->show();
  QApplication::setActiveWindow(hidden.Editor());  // the late focus-in is the same focus
  EXPECT_TRUE(hidden.Editor()->hasFocus());
  EXPECT_EQ(hiddenFocus, 1);
}

// ----- What the editor shows -----

TEST(QtRichTextBoxDisplay, FormatsBecomeWhatQtDraws) {
  QtRichTextBox surface;
  surface.SetSelText(u"styled\nbullet");
  surface.SetSelStart(0);
  surface.SetSelLength(6);
  surface.SetSelColor(0x0080FF);  // orange: red FF, green 80
  surface.SetSelFontSize(10.5);
  surface.SetSelAlignment(Alignment::kRight);
  surface.SetSelRightIndent(300);
  surface.SetSelStart(8);
  surface.SetSelBullet(true);
  surface.SetSelIndent(720);

  const double perPixel = std::lround(1440.0 / surface.Editor()->logicalDpiX());
  const QTextBlock styled = surface.Editor()->document()->firstBlock();
  const QTextCharFormat format = styled.begin().fragment().charFormat();
  EXPECT_EQ(format.foreground().color(), QColor(0xFF, 0x80, 0x00));  // platform order turned
  EXPECT_EQ(format.fontPointSize(), 10.5);
  EXPECT_EQ(static_cast<int>(styled.blockFormat().alignment() & Qt::AlignHorizontal_Mask),
            static_cast<int>(Qt::AlignRight | Qt::AlignAbsolute));
  EXPECT_DOUBLE_EQ(styled.blockFormat().rightMargin(), 300 / perPixel);

  // The bullet's room comes before the text, as in the RTF (\li is indent plus bullet indent).
  const QTextBlock bullet = styled.next();
  EXPECT_DOUBLE_EQ(bullet.blockFormat().leftMargin(), (720 + 360) / perPixel);
  surface.SetBulletIndent(720);
  EXPECT_DOUBLE_EQ(surface.Editor()->document()->lastBlock().blockFormat().leftMargin(),
                   (720 + 720) / perPixel);
  EXPECT_EQ(surface.SelIndent(), 720);  // the exact value, not read back from pixels
}

TEST(QtRichTextBoxDisplay, BulletsAreDrawnBeforeTheirParagraphs) {
  QtRichTextBox surface;
  surface.Editor()->resize(300, 120);
  surface.SetSelText(u"first\nsecond");
  surface.SetSelStart(7);
  surface.SetSelBullet(true);
  const auto inkBeforeText = [&](int blockNumber) {
    const QImage image = surface.Editor()->viewport()->grab().toImage();
    const QTextBlock block = surface.Editor()->document()->findBlockByNumber(blockNumber);
    QTextCursor cursor(block);
    const QRect caret = surface.Editor()->cursorRect(cursor);
    int ink = 0;
    for (int y = caret.top(); y <= caret.bottom(); ++y) {
      for (int x = 0; x < caret.left() - 1; ++x) {
        ink += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
      }
    }
    return ink;
  };
  EXPECT_EQ(inkBeforeText(0), 0);
  EXPECT_GT(inkBeforeText(1), 0);
}

TEST(QtRichTextBoxDisplay, MoveAndWidthKeepTwips) {
  QtRichTextBox surface;
  // Whole twips per pixel, as the control's screen counts them (15 at 96 dpi).
  const auto perPixel = static_cast<int>(std::lround(1440.0 / surface.Editor()->logicalDpiX()));
  surface.Move(10 * perPixel, 20 * perPixel, 300 * perPixel, 200 * perPixel);
  EXPECT_EQ(surface.Editor()->geometry(), QRect(10, 20, 300, 200));  // a host's pixels, back
  EXPECT_EQ(surface.Width(), 300 * perPixel);

  surface.Move(0, 0, 300 * perPixel + 1, 100);  // no whole number of pixels
  EXPECT_EQ(surface.Width(), 300 * perPixel + 1);
  surface.Editor()->resize(100, 50);  // resized by someone else: its pixels count
  EXPECT_EQ(surface.Width(), 100 * perPixel);
}

TEST(QtRichTextBoxDisplay, ParentedEditorIsDeletedWithTheSurface) {
  QWidget parent;
  QPointer<QTextEdit> editor;
  {
    QtRichTextBox surface(&parent);
    editor = surface.Editor();
    EXPECT_EQ(editor->parentWidget(), &parent);
  }
  EXPECT_TRUE(editor.isNull());
}

}  // namespace
}  // namespace scrivlet
